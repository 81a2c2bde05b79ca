#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the whole suite, then the
# engine's tests again in a sanitizer build. The main build is the Release configuration that
# distributions and users build (-O3), with warnings as errors, so that neither an optimiser's
# warning nor any other can creep in; its tests include installing it and packing the .deb.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/deps.sh"
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
# A compiler cache keyed on paths relative to the checkout, so that a second clone on the same
# machine reuses what the first compiled.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$here"
fi

cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVREK_WERROR=ON
cmake --build "$here/build" -j "$jobs"
(cd "$here/build" && ctest --output-on-failure -j "$jobs" --timeout 600)

cmake -S "$here" -B "$here/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTAVREK_GUI=OFF -DTAVREK_SANITIZE=ON -DTAVREK_WERROR=ON
cmake --build "$here/build-sanitize" -j "$jobs"
# The headless-browser checks look at the page, which both builds write alike: they run once, above.
(cd "$here/build-sanitize" && ctest --output-on-failure -j "$jobs" --timeout 600 -LE browser)
