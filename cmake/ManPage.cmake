# Man pages: each roff source gets the project's version, is compressed as Debian keeps man
# pages, and is installed under share/man/man<section>.
# Read once per folder that asks for it, however often it asks.
include_guard()
include(GNUInstallDirs)
find_program(GZIP gzip REQUIRED)

# zarvo_add_man_page(TARGET SOURCE): SOURCE is NAME.SECTION.in beside the calling CMakeLists.
function(zarvo_add_man_page target source)
  string(REGEX REPLACE "\\.in$" "" page ${source})
  string(REGEX MATCH "[1-9]$" section ${page})
  set(page_file ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  configure_file(${source} ${page_file} @ONLY)
  add_custom_command(OUTPUT ${page_file}.gz
    COMMAND ${GZIP} -9 -n -f -k ${page_file}
    DEPENDS ${page_file}
    COMMENT "Compressing the man page ${page}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${page_file}.gz)
  install(FILES ${page_file}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
