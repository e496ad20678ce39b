#!/usr/bin/env bash
# Builds the program for a web browser: WebAssembly in a page with a
# terminal, a folder of static files in build-web/site/.
#
#   1. packages   emscripten, m4 and dpkg-dev (GMP's build, apt-get source),
#                 npm when node came without it
#   2. gmp-mpfr   GMP and MPFR built for wasm32 from Debian's source
#                 packages, once, into a cache folder kept between runs
#   3. terminal   the terminal's files from npm (npm ci)
#   4. program    the program (cmake with cmake/emscripten.cmake) and the
#                 site folder
#
# Usage: scripts/build-web.sh [CMAKE_ARGUMENTS...]
# PW_WEB_BUILD names the build folder (build-web), PW_WASM_CACHE the cache
# folder (/var/cache/pivotwright/wasm32).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/${PW_WEB_BUILD:-build-web}
CACHE=${PW_WASM_CACHE:-/var/cache/pivotwright/wasm32}

step() { echo "==> web: $*" >&2; }

# ---- 1. packages ----------------------------------------------------------------
step "packages"
extra=()
command -v npm >/dev/null 2>&1 || extra+=(npm)
scripts/ensure-packages.sh build emscripten m4 dpkg-dev xz-utils python3 "${extra[@]}"
# emscripten's tools load Debian's node modules (acorn); a node that is not
# Debian's own does not look in their folder.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# emscripten's own library cache is read-only in Debian's package.  The
# build uses a copy of it under CACHE, links to the shipped files, where
# emscripten can add the variants it builds on demand.
emsdk_version=$(emcc --version | sed -n '1s/.* \([0-9][0-9.]*\) .*/\1/p')
EMCACHE=$CACHE/emscripten-$emsdk_version
if [ ! -f "$EMCACHE/.complete" ]; then
  step "a writable emscripten cache in $EMCACHE"
  rm -rf "$EMCACHE"
  mkdir -p "$EMCACHE"
  cp -rs /usr/share/emscripten/cache/. "$EMCACHE/"
  rm -f "$EMCACHE/cache.lock"
  touch "$EMCACHE/.complete"
fi
EMCONFIG=$CACHE/emscripten-$emsdk_version.config
sed -e '/^FROZEN_CACHE/d' -e '/^CACHE *=/d' /usr/share/emscripten/.emscripten > "$EMCONFIG.new"
printf "\nFROZEN_CACHE = False\nCACHE = '%s'\n" "$EMCACHE" >> "$EMCONFIG.new"
mv "$EMCONFIG.new" "$EMCONFIG"
export EM_CONFIG=$EMCONFIG

# ---- 2. GMP and MPFR for wasm32 ---------------------------------------------------
# Built once per source version and emscripten version into CACHE/<key>.
step "gmp-mpfr"
gmp_version=$(dpkg-query -W -f='${source:Version}\n' libgmp-dev 2>/dev/null | head -1)
mpfr_version=$(dpkg-query -W -f='${source:Version}\n' libmpfr-dev 2>/dev/null | head -1)
deps_key="gmp-${gmp_version}_mpfr-${mpfr_version}_emscripten-${emsdk_version}"
DEPS=$CACHE/${deps_key//[^A-Za-z0-9._-]/_}
if [ -f "$DEPS/.complete" ]; then
  echo "  cached in $DEPS" >&2
else
  echo "  building GMP and MPFR for wasm32 into $DEPS (once; a few minutes)" >&2
  rm -rf "$DEPS" "$DEPS.src"
  scripts/debian-sources.sh "$DEPS.src" gmp mpfr4
  gmp_src=$(find "$DEPS.src" -mindepth 1 -maxdepth 1 -type d -name 'gmp-*' | head -1)
  mpfr_src=$(find "$DEPS.src" -mindepth 1 -maxdepth 1 -type d -name 'mpfr4-*' | head -1)
  # Debian's GMP source has no manual; the doc folder is left out of the
  # build.
  sed -i 's| doc/Makefile||' "$gmp_src/configure"
  sed -i 's/^\(SUBDIRS = .*\) doc$/\1/' "$gmp_src/Makefile.in"
  # No assembly and no host triple GMP knows: its portable C code.  Static
  # libraries only.  The formats of double and long double (IEEE binary64
  # and binary128, little endian) are given: configure cannot read them
  # from a WebAssembly object file, and without them the conversions take
  # a slow generic path.
  cross=(--build="$(gcc -dumpmachine 2>/dev/null || echo x86_64-pc-linux-gnu)" --prefix="$DEPS"
         --disable-shared --enable-static CFLAGS=-O2)
  mkdir -p "$gmp_src/build" "$mpfr_src/build"
  (cd "$gmp_src/build" &&
     emconfigure ../configure "${cross[@]}" --host=none --disable-assembly --disable-cxx \
       gmp_cv_c_double_format="IEEE little endian" >/dev/null &&
     emmake make -j"${PW_JOBS:-2}" >/dev/null && emmake make install >/dev/null)
  (cd "$mpfr_src/build" &&
     emconfigure ../configure "${cross[@]}" --host=wasm32-unknown-emscripten --with-gmp="$DEPS" \
       mpfr_cv_c_double_format="IEEE double, little endian" \
       mpfr_cv_c_long_double_format="IEEE quad, little endian" >/dev/null &&
     emmake make -j"${PW_JOBS:-2}" >/dev/null && emmake make install >/dev/null)
  rm -rf "$DEPS.src"
  touch "$DEPS/.complete"
fi
check_lib() { [ -f "$DEPS/lib/libgmp.a" ] && [ -f "$DEPS/lib/libmpfr.a" ]; }
check_lib || { echo "GMP and MPFR for wasm32 missing from $DEPS" >&2; exit 1; }

# ---- 3. the terminal ---------------------------------------------------------------
# npm ci installs exactly the versions package-lock.json names, with no
# install scripts (the browser driver would otherwise offer a browser
# download; the tests use Debian's chromium).
step "terminal (npm ci)"
lock_stamp=$ROOT/node_modules/.package-lock.json
if [ ! -f "$lock_stamp" ] || [ "$ROOT/package-lock.json" -nt "$lock_stamp" ]; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >&2
else
  echo "  node_modules/ is up to date with package-lock.json" >&2
fi

# ---- 4. the program and the site ---------------------------------------------------
step "program and site in ${BUILD#"$ROOT"/}/site/"
# Optimised for size: the page downloads the program, and the screens need
# little speed.  (The numbers are the same at any optimisation: WebAssembly
# has no fused multiply-add to contract into.)
scripts/build.sh "$BUILD" all -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/emscripten.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_CXX_FLAGS_MINSIZEREL="-Oz -DNDEBUG" \
  -DCMAKE_EXE_LINKER_FLAGS_MINSIZEREL=-Oz -DPW_WASM_DEPS="$DEPS" "$@"
site=$BUILD/site
for f in index.html page.js page.css pivotwright.js pivotwright.wasm xterm.mjs xterm.css; do
  [ -s "$site/$f" ] || { echo "the site lacks $f" >&2; exit 1; }
done
echo "site: $site ($(du -sb "$site" | cut -f1) bytes; pivotwright.wasm $(stat -c %s "$site/pivotwright.wasm") bytes)" >&2
echo "serve it with: python3 -m http.server -d ${BUILD#"$ROOT"/}/site 8000   (then open http://127.0.0.1:8000/)" >&2
