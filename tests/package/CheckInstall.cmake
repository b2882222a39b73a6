# Installs the build into a scratch prefix and checks that the programs, the desktop entry, the
# AppStream metainfo, the icons and the man pages are where a desktop and `man` look for them,
# and that the desktop's own validators accept them.
# Run with -DBUILD_DIR=... -DPREFIX=... -DVERSION=... -DAPPSTREAM_ID=... -DMEDIA_FILE=...
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

include(GNUInstallDirs)
set(entry_file ${PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/zarvo.desktop)
set(metainfo_file ${PREFIX}/${CMAKE_INSTALL_DATADIR}/metainfo/${APPSTREAM_ID}.metainfo.xml)
set(man_dir ${PREFIX}/${CMAKE_INSTALL_MANDIR}/man1)
set(expected
    ${PREFIX}/${CMAKE_INSTALL_BINDIR}/zarvo
    ${PREFIX}/${CMAKE_INSTALL_BINDIR}/zarvo-report
    ${PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/zarvo/zarvo-reader
    ${PREFIX}/${CMAKE_INSTALL_LIBDIR}/zarvo/zarvo-window.so
    ${entry_file}
    ${metainfo_file}
    ${man_dir}/zarvo.1.gz
    ${man_dir}/zarvo-report.1.gz)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected
       ${PREFIX}/${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps/zarvo.png)
endforeach()
foreach(file IN LISTS expected)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The entry starts the installed program with the chosen file, under the icon's name.
file(READ ${entry_file} entry)
foreach(line "Exec=zarvo %f" "Icon=zarvo" "Type=Application" "MimeType=video/")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "zarvo.desktop lacks '${line}'")
  endif()
endforeach()

# Runs a validator; any line it prints is a finding, even one it counts as a mere hint.
function(expect_silent_validation what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX REPLACE "[^\n]*Validation was successful[^\n]*\n?" "" findings "${out}")
  string(STRIP "${findings}" findings)
  if(NOT result EQUAL 0 OR NOT findings STREQUAL "")
    message(FATAL_ERROR "${what} (exit status ${result}):\n${out}")
  endif()
endfunction()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
find_program(MAN man)
foreach(tool DESKTOP_FILE_VALIDATE APPSTREAMCLI MAN)
  if(NOT ${tool})
    message(FATAL_ERROR "${tool} not found: ./test installs desktop-file-utils, appstream, man-db")
  endif()
endforeach()
expect_silent_validation("desktop-file-validate rejects zarvo.desktop"
                         ${DESKTOP_FILE_VALIDATE} ${entry_file})
expect_silent_validation("appstreamcli rejects the metainfo"
                         ${APPSTREAMCLI} validate --no-net --pedantic ${metainfo_file})

# Each man page is shown by man without a warning, under its name and this version.
foreach(page zarvo zarvo-report)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env MANWIDTH=80 LC_ALL=C.UTF-8
                          ${MAN} --warnings -E ascii -l ${man_dir}/${page}.1.gz
                  RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_VARIABLE warnings)
  if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "man -l ${page}.1.gz (exit status ${result}):\n${warnings}")
  endif()
  foreach(part "NAME\n       ${page} - " "SYNOPSIS" "DESCRIPTION" "EXIT STATUS"
          "Zarvo ${VERSION} ")
    string(FIND "${text}" "${part}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "the man page of ${page} lacks '${part}':\n${text}")
    endif()
  endforeach()
  set(${page}_page "${text}")
endforeach()

# Every option that zarvo-report's help names is explained in its man page.
execute_process(COMMAND ${PREFIX}/${CMAKE_INSTALL_BINDIR}/zarvo-report --help
                OUTPUT_VARIABLE help RESULT_VARIABLE result)
string(REGEX MATCHALL "\n  +-[-a-zA-Z]+" options "${help}")
if(NOT result EQUAL 0 OR options STREQUAL "")
  message(FATAL_ERROR "zarvo-report --help names no options (exit status ${result}):\n${help}")
endif()
foreach(option IN LISTS options)
  string(STRIP "${option}" option)
  string(FIND "${zarvo-report_page}" "\n       ${option}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page of zarvo-report does not explain ${option}")
  endif()
endforeach()

# The installed command finds the installed reader beside it, and reports through it.
execute_process(COMMAND ${PREFIX}/${CMAKE_INSTALL_BINDIR}/zarvo-report ${MEDIA_FILE}
                OUTPUT_VARIABLE report ERROR_VARIABLE problem RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT report MATCHES "Stream 1  --  ")
  message(FATAL_ERROR "the installed zarvo-report gives no report (exit status ${result}):\n"
                      "${problem}")
endif()
file(REMOVE_RECURSE ${PREFIX})
