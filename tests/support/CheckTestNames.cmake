# Fails when CTest lists a test under a printed parameter: GoogleTest prints a type it knows
# nothing about as its raw bytes, which hold pointers and so change from build to build.
# Run with -DBUILD_DIR=...
execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${BUILD_DIR} -N
                OUTPUT_VARIABLE listed RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "ctest -N failed: ${result}")
endif()
string(REGEX MATCHALL "Test +#[0-9]+: [^\n]*" names "${listed}")
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "ctest -N listed no tests:\n${listed}")
endif()
set(printed)
foreach(name IN LISTS names)
  if(name MATCHES "GetParam\\(\\)|-byte object <")
    string(APPEND printed "\n  ${name}")
  endif()
endforeach()
if(printed)
  message(FATAL_ERROR "named by a printed parameter (give the cases a name, support/CaseName.h, "
                      "and discover them with NO_PRETTY_VALUES):${printed}")
endif()
