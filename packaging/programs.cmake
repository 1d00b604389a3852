# ipra_install_program(TARGET MANPAGE): the program into bin/ and its manual
# page, gzipped as Debian wants it, into share/man/man1/. One line in each
# program's CMakeLists.txt puts it into the packages.
include(GNUInstallDirs)

function(ipra_install_program target manpage)
  get_filename_component(page "${manpage}" ABSOLUTE)
  get_filename_component(name "${page}" NAME)
  set(gz "${CMAKE_CURRENT_BINARY_DIR}/${name}.gz")
  # -n: no name or time stamp inside, so the same page gives the same bytes.
  add_custom_command(OUTPUT "${gz}"
    COMMAND gzip -9 -n -c "${page}" > "${gz}"
    DEPENDS "${page}"
    COMMENT "Compressing the manual page ${name}"
    VERBATIM)
  add_custom_target(${target}-manpage ALL DEPENDS "${gz}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES "${gz}" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
