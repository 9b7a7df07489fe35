# Install locations and the build-time man pages. Included from the top
# before the programs' directories, which call geigersim_man_page().
include(GNUInstallDirs)

# Debian wants 0755 directories whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

find_program(GEIGERSIM_HELP2MAN help2man REQUIRED)
find_program(GEIGERSIM_GZIP gzip REQUIRED)

# Installs <target> and its section 1 page, written by help2man from the
# program's own --help and --version, so the page cannot drift from the
# program. `summary` is the one-line NAME text; packaging/man/<target>.h2m
# adds the sections --help does not give.
function(geigersim_install_program target summary)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${target}.1)
  set(extra ${PROJECT_SOURCE_DIR}/packaging/man/${target}.h2m)
  # No leak check: a leak report would fail the page, not a test.
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${GEIGERSIM_HELP2MAN} --no-info
            --name=${summary} --section=1 --include=${extra} --output=${page}
            $<TARGET_FILE:${target}>
    # -n: no time stamp, so the package is reproducible.
    COMMAND ${GEIGERSIM_GZIP} -9nkf ${page}
    DEPENDS ${target} ${extra}
    COMMENT "Writing the man page of ${target}"
    VERBATIM)
  add_custom_target(${target}-man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# The desktop id: the desktop entry's and metainfo's file names, the icon's
# name and the window's Wayland app id.
set(GEIGERSIM_APP_ID org.geigersim.geigersim)
