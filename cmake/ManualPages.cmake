# Manual pages name installed files, so they are made at install time from
# man/PROGRAM.1.in, where the prefix of that install is known (a package
# installs under /usr, `cmake --install --prefix` wherever it is told), and
# installed compressed, as Debian's manual pages are.
#
# In a page, @VERSION@ is the project's version and @DOCDIR@ the folder of
# the installed README and example topology.
function(topoplan_install_manual_page program)
  set(template ${PROJECT_SOURCE_DIR}/man/${program}.1.in)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1)
  install(CODE "
    set(VERSION \"${PROJECT_VERSION}\")
    set(DOCDIR \"${CMAKE_INSTALL_DOCDIR}\")
    if(NOT IS_ABSOLUTE \"\${DOCDIR}\")
      set(DOCDIR \"\${CMAKE_INSTALL_PREFIX}/\${DOCDIR}\")
    endif()
    configure_file(\"${template}\" \"${page}\" @ONLY)
    execute_process(COMMAND gzip -9nf \"${page}\" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR \"gzip could not compress ${page}\")
    endif()
    file(INSTALL \"${page}.gz\"
         DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")
  ")
endfunction()
