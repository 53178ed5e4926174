#!/usr/bin/env bash
# Builds the plug-in and everything that runs under Wine (build/win32), and the
# Windows-free logic natively with sanitizers (build/native).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup-packages.sh"

cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" >/dev/null
cmake --build build/win32

if [ "${QUILM_WIN32_ONLY:-0}" != 1 ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILM_FUZZ=ON >/dev/null
  cmake --build build/native
fi
