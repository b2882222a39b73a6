# Installs the build into a scratch prefix and checks that the desktop files are where a
# desktop looks for them. Run with -DBUILD_DIR=... -DPREFIX=...
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

include(GNUInstallDirs)
foreach(file
    ${CMAKE_INSTALL_BINDIR}/zarvo
    ${CMAKE_INSTALL_BINDIR}/zarvo-report
    ${CMAKE_INSTALL_DATADIR}/applications/zarvo.desktop
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps/zarvo.png
    ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps/zarvo.png)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The entry starts the installed program with the chosen file, under the icon's name.
set(entry_file ${PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/zarvo.desktop)
file(READ ${entry_file} entry)
foreach(line "Exec=zarvo %f" "Icon=zarvo" "Type=Application" "MimeType=video/")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "zarvo.desktop lacks '${line}'")
  endif()
endforeach()

# The desktop's own checker, where it is installed, judges the entry as a file manager would.
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} ${entry_file} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects zarvo.desktop")
  endif()
endif()
file(REMOVE_RECURSE ${PREFIX})
