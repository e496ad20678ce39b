# Installation and the Debian package.
#
# Include this from the top-level CMakeLists.txt after the pivotwright
# executable target is defined:
#   include(cmake/packaging.cmake)
#
#   cmake --install build [--prefix P]   installs the program, the plotting
#                                        script, the manual pages and the docs
#   cd build && cpack -G DEB             makes pivotwright_1.01-1_amd64.deb
#
# With PW_TESTS on, it also registers the tests of the plotting script and
# of the package with CTest (after enable_testing()).

include(GNUInstallDirs)

set(PW_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR}/../packaging)
get_filename_component(PW_PACKAGING_DIR ${PW_PACKAGING_DIR} ABSOLUTE)
get_filename_component(PW_TOP_DIR ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

install(TARGETS pivotwright RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS ${PW_TOP_DIR}/scripts/pivotwright-plot DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PW_TOP_DIR}/docs/pivotwright.1 ${PW_TOP_DIR}/docs/pivotwright-plot.1
              ${PW_TOP_DIR}/docs/pivotwright-align.1 ${PW_TOP_DIR}/docs/pivotwright-check.1
              ${PW_TOP_DIR}/docs/pivotwright-protractor.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PW_TOP_DIR}/README.md ${PW_TOP_DIR}/LICENSE ${PW_PACKAGING_DIR}/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The README's pictures, so that its image links work in the installed copy.
install(FILES ${PW_TOP_DIR}/docs/screen-main.svg ${PW_TOP_DIR}/docs/screen-action2.svg
              ${PW_TOP_DIR}/docs/protractor.png ${PW_TOP_DIR}/docs/graph.svg
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pivotwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Pivotwright authors")
set(CPACK_PACKAGE_CONTACT "The Pivotwright authors <authors@pivotwright.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "alignment geometry of pivoted record-player tone arms")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # pivotwright_1.01-1_amd64.deb
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS gnuplot-nox)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description; CPack puts the summary above it and indents its
# lines for the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Pivotwright is an interactive terminal program (90 x 30 characters) for
the alignment geometry of pivoted record-player tone arms. It works out
the optimum overhang and offset for an arm, the zero tracking error radii
for the groove dimensions with a full-size alignment protractor to print,
and the lateral tracking error and its distortion across the record,
written as a table and as comma-separated numbers.
.
The pivotwright-plot script draws the tracking error and distortion with
gnuplot.")

# Debian wants compressed manual pages and a Debian changelog in the
# package; a plain `cmake --install` keeps the pages as they are.
set(CPACK_PW_PACKAGING_DIR ${PW_PACKAGING_DIR})
set(CPACK_PW_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_PRE_BUILD_SCRIPTS ${PW_PACKAGING_DIR}/deb-staging.cmake)

include(CPack)

# The tests of the plotting script and of the package, for CTest.  The
# package test runs cpack on this build folder into a scratch folder of its
# own, so it needs the program built first (as `cmake --build` does).
if(PW_TESTS)
  add_test(NAME plot_script
           COMMAND sh ${PW_TOP_DIR}/tests/plot/plot_test.sh
                   ${PW_TOP_DIR}/scripts/pivotwright-plot ${PW_TOP_DIR}/tests/data/action3)
  add_test(NAME deb_package
           COMMAND sh ${PW_TOP_DIR}/tests/package/deb_test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(plot_script deb_package PROPERTIES TIMEOUT 300)
endif()
