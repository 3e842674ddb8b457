#!/usr/bin/env bash
# Builds the trees from one source list: native Linux (core, tests, kvtool)
# and Windows (klavento.exe, kvtool.exe, tests) with mingw-w64, 64-bit in
# build/windows and 32-bit in build/windows32; the setup program carries both.
#
#   build.sh [all | linux | windows | windows64 | windows32 | installer]
#
# all: every step in this order; windows: the Windows steps (with the Linux
# kvtool they need). windows64 and windows32 build one tree each, without
# the setup program and the Windows Installer packages, which "installer"
# builds once both trees are there; the test script uses the steps to start
# the 64-bit tests while the 32-bit tree is still being built.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}

linux() {
  cmake -S "$top" -B "$top/build/linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$top/build/linux" -j2 "$@"
}

# windows_tree DIR TOOLCHAIN OTHER-TREE-SETTING: configures and builds one
# tree. The Windows programs carry the course archive, which the Linux kvtool
# packs.
windows_tree() {
  linux --target kvtool
  cmake -S "$top" -B "$top/build/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$2.cmake" -DKV_SQLITE_DIR="$("$top/scripts/sqlite-source.sh")" \
    -DKV_HOST_KVTOOL="$top/build/linux/kvtool" "$3" >/dev/null
  cmake --build "$top/build/$1" -j2
}
# Each tree names the other: the 64-bit setup carries the 32-bit programs,
# the 32-bit tree tests the setup in a 32-bit prefix.
windows64() { windows_tree windows mingw-w64-x86_64 -DKV_PROGRAMS_32_DIR="$top/build/windows32"; }
windows32() { windows_tree windows32 mingw-w64-i686 -DKV_SETUP_64_DIR="$top/build/windows"; }

# The setup program needs NSIS and the Windows Installer packages wixl;
# without them the build stays complete otherwise.
installer() {
  if command -v makensis >/dev/null || command -v wixl >/dev/null; then
    cmake --build "$top/build/windows" -j2 --target installer
  fi
}

case "$what" in
  all) linux; windows64; windows32; installer ;;
  linux) linux ;;
  windows) windows64; windows32; installer ;;
  windows64) windows64 ;;
  windows32) windows32 ;;
  installer) installer ;;
  *) echo "build.sh: unbekannter Schritt \"$what\" (all, linux, windows, windows64, windows32, installer)" >&2; exit 2 ;;
esac
