# Runs inside `cpack -G DEB` after the files are staged and before the
# package is built: compresses the manual pages and adds the Debian
# changelog, as Debian policy asks of a package.
find_program(PW_GZIP gzip REQUIRED)

file(GLOB_RECURSE staged LIST_DIRECTORIES false ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*)
foreach(file ${staged})
  if(file MATCHES "/man/man[1-9]/[^/]+\\.[1-9]$")
    # -n keeps the name and time out of the header: the same page always
    # gives the same bytes.
    execute_process(COMMAND ${PW_GZIP} -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
  elseif(file MATCHES "/${CPACK_PW_DOCDIR}/copyright$")
    get_filename_component(docdir ${file} DIRECTORY)
    configure_file(${CPACK_PW_PACKAGING_DIR}/debian/changelog ${docdir}/changelog.Debian COPYONLY)
    execute_process(COMMAND ${PW_GZIP} -9nf ${docdir}/changelog.Debian COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
