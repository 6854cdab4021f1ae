#!/usr/bin/env bash
# Installs what is missing and builds both builds: the native core (clang, sanitizers) in
# $SOCKMERE_BUILD/native and the Windows program with its tests in $SOCKMERE_BUILD/win.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SOCKMERE_BUILD:-$root/build}
jobs=$(nproc)

"$root/tools/install-deps" test
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build/native" -j "$jobs"
cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build/win" -j "$jobs"
