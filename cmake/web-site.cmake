# The web page: the program as pivotwright.js and pivotwright.wasm, with
# the page, its script and style sheet and the terminal's files, in
# <build>/site/ (target `site`, part of `all`).  Included by CMakeLists.txt
# in an emscripten build.

# The page creates the program itself (createPivotwright) and starts main
# when the terminal is ready, once for every run; the key wait is the one
# import the program is suspended in (Asyncify).  Exceptions are caught
# (the end of input is one).  The memory grows when needed.
target_compile_options(pivotwright_core PUBLIC -fexceptions)
target_compile_options(pivotwright PRIVATE -fexceptions)
target_link_options(pivotwright PRIVATE
  -fexceptions
  -sASYNCIFY
  -sMODULARIZE -sEXPORT_NAME=createPivotwright
  -sINVOKE_RUN=0
  -sENVIRONMENT=web
  -sEXPORTED_FUNCTIONS=_main
  -sEXPORTED_RUNTIME_METHODS=ccall,callMain,FS
  -sALLOW_MEMORY_GROWTH
  # Asyncify instruments every function that might be on the stack while
  # the key wait is suspended, and counts any call it cannot see through
  # (through a pointer, or an exception's invoke wrapper) as one.  The
  # libraries and the commands never reach the key wait: the C++ library,
  # CLI11, nlohmann-json, MPFR and the page writers run only to completion,
  # so they are left as they are (half the program's size otherwise).
  "-sASYNCIFY_REMOVE=[\"std::*\",\"void std::*\",\"bool std::*\",\"int std::*\",\"unsigned long std::*\",\"virtual thunk to std::*\",\"non-virtual thunk to std::*\",\"__cxxabiv1::*\",\"CLI::*\",\"void CLI::*\",\"bool CLI::*\",\"nlohmann::*\",\"void nlohmann::*\",\"mpfr_*\",\"pw::PdfDocument*\",\"pw::SvgDocument*\",\"pw::LayOutProtractor*\"]")

set(PW_SITE_DIR ${CMAKE_BINARY_DIR}/site)
set(PW_XTERM_DIR "${CMAKE_SOURCE_DIR}/node_modules/@xterm/xterm" CACHE PATH
    "The terminal's npm package (npm ci puts it in node_modules/)")
set(PW_SITE_FILES
  ${CMAKE_SOURCE_DIR}/web/index.html
  ${CMAKE_SOURCE_DIR}/web/page.js
  ${CMAKE_SOURCE_DIR}/web/page.css
  ${PW_XTERM_DIR}/lib/xterm.mjs
  ${PW_XTERM_DIR}/css/xterm.css)
add_custom_command(OUTPUT ${PW_SITE_DIR}/.complete
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PW_SITE_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PW_SITE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy
          $<TARGET_FILE:pivotwright> $<TARGET_FILE_DIR:pivotwright>/pivotwright.wasm
          ${PW_SITE_FILES} ${PW_SITE_DIR}/
  COMMAND ${CMAKE_COMMAND} -E touch ${PW_SITE_DIR}/.complete
  DEPENDS pivotwright ${PW_SITE_FILES}
  COMMENT "The web page in ${PW_SITE_DIR}"
  VERBATIM)
add_custom_target(site ALL DEPENDS ${PW_SITE_DIR}/.complete)
