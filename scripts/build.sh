#!/usr/bin/env bash
# Builds the shipped plug-in (build/win32), with everything that runs under 32-bit Wine
# when the 32-bit side runs; the x86_64 test build when the 64-bit side runs
# (build/win64); and the Windows-free logic natively with sanitizers (build/native).
# QUILM_WINDOWS_ONLY=1 skips the native build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup-packages.sh"
source "$root/scripts/wine-sides.sh"
quilm_pick_sides

cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" >/dev/null
if [[ " $QUILM_SIDES " == *" x86 "* ]]; then
  cmake --build build/win32
else
  # No 32-bit side here: only the shipped plug-in (checked by the native tests).
  cmake --build build/win32 --target quilm
fi

if [[ " $QUILM_SIDES " == *" x64 "* ]]; then
  cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/x86_64-w64-mingw32.cmake" >/dev/null
  cmake --build build/win64
fi

if [ "${QUILM_WINDOWS_ONLY:-0}" != 1 ]; then
  cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILM_SHIPPED_DLL="$root/build/win32/quilm.dll" \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILM_FUZZ=ON >/dev/null
  cmake --build build/native
fi
