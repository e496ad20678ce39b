# The Windows package: `cpack -G ZIP` in a Windows build folder gives
# pivotwright-1.01-win64.zip with the program and a short text on how to
# run it.  Include it from the top-level CMakeLists.txt, after the
# pivotwright target, for Windows builds:
#   if(WIN32)
#     include(cmake/windows-package.cmake)
#   endif()
install(TARGETS pivotwright RUNTIME DESTINATION .)
# The text with the version filled in and Windows line ends, so that every
# editor shows it right.
file(READ ${CMAKE_CURRENT_LIST_DIR}/windows-readme.txt pw_windows_readme)
string(CONFIGURE "${pw_windows_readme}" pw_windows_readme @ONLY)
string(REPLACE "\r\n" "\n" pw_windows_readme "${pw_windows_readme}")
string(REPLACE "\n" "\r\n" pw_windows_readme "${pw_windows_readme}")
file(WRITE ${CMAKE_BINARY_DIR}/README.txt "${pw_windows_readme}")
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

# The manual pages as UTF-8 text (Windows has no man), with Windows line
# ends, when groff is there to format them.
find_program(PW_GROFF groff)
if(PW_GROFF)
  foreach(page pivotwright pivotwright-align pivotwright-check pivotwright-protractor)
    execute_process(COMMAND ${PW_GROFF} -man -Tutf8 -P-cbou ${PROJECT_SOURCE_DIR}/docs/${page}.1
                    OUTPUT_VARIABLE pw_page_text RESULT_VARIABLE pw_groff_status ERROR_QUIET)
    if(pw_groff_status EQUAL 0)
      string(REPLACE "\n" "\r\n" pw_page_text "${pw_page_text}")
      file(WRITE ${CMAKE_BINARY_DIR}/manual/${page}.txt "${pw_page_text}")
      install(FILES ${CMAKE_BINARY_DIR}/manual/${page}.txt DESTINATION manual)
    endif()
  endforeach()
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME pivotwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Pivotwright authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "alignment geometry of pivoted record-player tone arms")
set(CPACK_PACKAGE_FILE_NAME pivotwright-${PROJECT_VERSION}-win64)
# The files at the top of the archive, not in a folder of their own.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
