#!/usr/bin/env bash
# Builds the trees from one source list: native Linux (core, tests, kvtool)
# and Windows (klavento.exe, kvtool.exe, tests) with mingw-w64, 64-bit in
# build/windows and 32-bit in build/windows32; the setup program carries both.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}

if [ "$what" = all ] || [ "$what" = linux ]; then
  cmake -S "$top" -B "$top/build/linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$top/build/linux" -j2
fi
if [ "$what" = all ] || [ "$what" = windows ]; then
  # The Windows program carries the course archive, which the Linux kvtool packs.
  if [ "$what" = windows ]; then
    cmake -S "$top" -B "$top/build/linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$top/build/linux" -j2 --target kvtool
  fi
  sqlite=$("$top/scripts/sqlite-source.sh")
  cmake -S "$top" -B "$top/build/windows32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" -DKV_SQLITE_DIR="$sqlite" \
    -DKV_HOST_KVTOOL="$top/build/linux/kvtool" -DKV_SETUP_64_DIR="$top/build/windows" >/dev/null
  cmake --build "$top/build/windows32" -j2
  cmake -S "$top" -B "$top/build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" -DKV_SQLITE_DIR="$sqlite" \
    -DKV_HOST_KVTOOL="$top/build/linux/kvtool" -DKV_PROGRAMS_32_DIR="$top/build/windows32" >/dev/null
  cmake --build "$top/build/windows" -j2
  # The setup program needs NSIS and the Windows Installer packages wixl;
  # without them the build stays complete otherwise.
  if command -v makensis >/dev/null || command -v wixl >/dev/null; then
    cmake --build "$top/build/windows" -j2 --target installer
  fi
fi
