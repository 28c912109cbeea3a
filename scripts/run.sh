#!/usr/bin/env bash
# Builds OrderTable.exe with MinGW-w64 and starts it under Wine, in your desktop session.
# Installs what it lacks with apt-get.
#
#   bash scripts/run.sh [FOLDER]
#
# Without a graphical session it builds a table from generated sample pages with
# ordertable-cli instead.
#
# The program works in its current directory: it keeps its cached pages in FOLDER/tmp and
# writes "AliExpress Orders.html" there. FOLDER defaults to out/ in this repository.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/packages.sh
source scripts/wine-fonts.sh

folder=${1:-$root/out}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # Without a screen the wizard cannot be shown; build a table from generated sample pages
  # with the command-line tool instead, the way a user with saved pages would.
  echo "No graphical session: the wizard needs one. Building a table from sample pages instead."
  ensure_native_toolchain
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target ordertable-cli ordertable-sample-pages
  mkdir -p "$folder"
  build/linux/tests/support/ordertable-sample-pages "$folder/sample-pages" --pages 3
  (cd "$folder" && "$root/build/linux/cli/ordertable-cli" import sample-pages/page_*.html)
  echo "Open $folder/AliExpress Orders.html in a browser."
  exit 0
fi

ensure_packages cmake ninja-build rapidjson-dev g++-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 fonts-wine
ensure_web_assets_tools

build_dir=${ORDERTABLE_WINDOWS_BUILD_DIR:-$root/build/windows}
cmake --preset windows -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 --target OrderTable

export WINEDEBUG=${WINEDEBUG:--all}
prefix=${WINEPREFIX:-$HOME/.wine}
if [ ! -f "$prefix/system.reg" ]; then
  echo "Creating the Wine prefix $prefix"
  wineboot -i >/dev/null 2>&1
fi
give_wine_fonts "$prefix"

mkdir -p "$folder"
cd "$folder"
echo "Starting OrderTable.exe in $PWD"
exec wine "$build_dir/app/OrderTable.exe"
