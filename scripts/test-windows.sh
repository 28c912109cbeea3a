#!/usr/bin/env bash
# Builds the Windows program and its tests with MinGW-w64, then runs, under Wine in a virtual
# X display, the unit tests (through CTest) and the end-to-end test that drives OrderTable.exe.
# Screenshots of every end-to-end step go to artifacts/windows-e2e/. Installs what it lacks
# with apt-get.
#
#   bash scripts/test-windows.sh
#
# ORDERTABLE_WINDOWS_BUILD_DIR picks another build folder than the preset's build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/packages.sh
source scripts/wine-fonts.sh

ensure_packages cmake ninja-build googletest rapidjson-dev g++-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64 fonts-wine xvfb xauth xdotool \
  imagemagick xclip
ensure_web_assets_tools

build_dir=${ORDERTABLE_WINDOWS_BUILD_DIR:-$root/build/windows}
artifacts=$root/artifacts/windows-e2e
default_prefix=$root/build/wine-prefix
export WINEPREFIX=${WINEPREFIX:-$default_prefix}
export WINEDEBUG=-all
# What the tests see must not depend on the machine. Wine takes the fonts it offers, and how it
# smooths them, from fontconfig: a configuration of the prefix's own, with no font folder,
# leaves it the fonts in the prefix, whatever the machine or the user has installed or set.
export FONTCONFIG_FILE=$WINEPREFIX/fonts.conf
# Wine takes the ANSI code page from the locale: Windows-1252, as on a Western Windows.
export LC_ALL=C.UTF-8
# Raised whenever the prefix's set-up below changes, so that an older prefix is made anew.
prefix_version=2
# Keeps Wine from writing menu entries and file associations into the desktop's own settings.
export WINEDLLOVERRIDES="winemenubuilder.exe=d"

# Windows paths of Unix paths, through the Z: drive every Wine prefix has.
windows_path() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

echo "== Windows build (MinGW-w64)"
cmake --preset windows -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2

# Everything below runs Wine inside a display of our own; whatever we start is stopped on exit.
xvfb_pid=
wine_started=
cleanup() {
  local status=$?
  if [ -n "$wine_started" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  exit "$status"
}
trap cleanup EXIT

echo "== Virtual display and Wine prefix"
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$display_file")
rm -f "$display_file"
echo "display $DISPLAY, prefix $WINEPREFIX"

# A new prefix, set as a new Windows is where it matters to the tests: 96 dots per inch,
# ClearType, Wine's own fonts, and one virtual desktop, so Wine draws and manages the windows
# itself as Windows does. Only the prefix's fonts are offered (see FONTCONFIG_FILE above).
create_test_prefix() {
  mkdir -p "$WINEPREFIX"
  cat >"$FONTCONFIG_FILE" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><cachedir>$WINEPREFIX/fontconfig-cache</cachedir></fontconfig>
EOF
  # A full prefix: the .html association that the shell's "open" needs comes with it.
  wineboot -i >/dev/null 2>&1
  give_wine_fonts "$WINEPREFIX"
  cat >"$WINEPREFIX/ordertable-settings.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Control Panel\Desktop]
"FontSmoothing"="2"
"FontSmoothingType"=dword:00000002
"FontSmoothingGamma"=dword:00000578
"FontSmoothingOrientation"=dword:00000001
"LogPixels"=dword:00000060

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]
"LogPixels"=dword:00000060

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1280x800"
EOF
  wine regedit /S "$(windows_path "$WINEPREFIX/ordertable-settings.reg")" >/dev/null 2>&1
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  echo "$prefix_version" >"$WINEPREFIX/.ordertable-prefix"
}

wine_started=yes
if [ "$(cat "$WINEPREFIX/.ordertable-prefix" 2>/dev/null)" != "$prefix_version" ]; then
  if [ -e "$WINEPREFIX/system.reg" ]; then
    # Fonts and settings that an older prefix took from the machine stay in its registry.
    if [ "$WINEPREFIX" != "$default_prefix" ]; then
      echo "$WINEPREFIX was not set up by this version of the script; give a new folder" >&2
      exit 1
    fi
    echo "Setting up the Wine prefix anew"
    wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  create_test_prefix
fi
# Wine's helper processes inherit the output of the program that starts them and keep it
# open: started here with their output going nowhere, they do not hold CTest's pipes.
wineserver -p60 >/dev/null 2>&1
wine cmd /c exit >/dev/null 2>&1 </dev/null

echo "== Unit tests under Wine"
ctest --test-dir "$build_dir" --output-on-failure --timeout 900

echo "== End-to-end test of OrderTable.exe"
rm -rf "$artifacts"
mkdir -p "$artifacts"
work=$build_dir/e2e-work
stub_dir=$build_dir/e2e-stub
open_log=$build_dir/e2e-open.log
mkdir -p "$stub_dir"
# The shell's "open" of an .html file ends in xdg-open; the stub logs what it was given.
cat >"$stub_dir/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >> '$open_log'
EOF
chmod +x "$stub_dir/xdg-open"
set +e
PATH="$stub_dir:$PATH" timeout 900 wine "$build_dir/tests/e2e/ordertable_e2e.exe" \
  --program "$(windows_path "$build_dir/app/OrderTable.exe")" \
  --cli "$(windows_path "$build_dir/cli/ordertable-cli.exe")" \
  --work "$(windows_path "$work")" \
  --open-log "$(windows_path "$open_log")" \
  --artifacts "$artifacts" </dev/null 2>&1 | tee "$artifacts/e2e.log"
status=${PIPESTATUS[0]}
set -e

echo "== ordertable-cli.exe in a folder named in Cyrillic and Chinese"
# Its words come from the wide command line: through the ANSI code page they would be "?".
cli_work=$build_dir/cli-work
cli_folder="$cli_work/Дмитрий/Заказы 注文"
rm -rf "$cli_work"
mkdir -p "$cli_folder"
wine "$build_dir/tests/support/ordertable-sample-pages.exe" "$(windows_path "$cli_work")" \
  --pages 2 >/dev/null </dev/null
mv "$cli_work/page_01.html" "$cli_folder/Страница 1.html"
mv "$cli_work/page_02.html" "$cli_folder/ページ 2.html"
if (cd "$cli_folder" &&
    wine "$build_dir/cli/ordertable-cli.exe" import "Страница 1.html" "ページ 2.html" &&
    wine "$build_dir/cli/ordertable-cli.exe" export "Заказы.xlsx") </dev/null &&
  [ -s "$cli_folder/AliExpress Orders.html" ] && [ -s "$cli_folder/Заказы.xlsx" ]; then
  echo "ok: the table and \"Заказы.xlsx\" are in \"$cli_folder\""
else
  echo "FAIL: ordertable-cli.exe did not build and export the table in \"$cli_folder\""
  status=1
fi
echo "OrderTable.exe: $(stat -c %s "$build_dir/app/OrderTable.exe") bytes; screenshots in $artifacts"
exit "$status"
