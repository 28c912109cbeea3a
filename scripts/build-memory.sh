#!/usr/bin/env bash
# Measures the peak memory of a table build of about 10,000 orders: 334 generated pages of
# 30 orders are cleaned into cached page files, then ordertable-cli builds a new table from
# them and, from a second set of pages that starts with 300 newer orders, updates it. Prints
# each peak resident set size beside the sizes it is to be compared with: the largest file
# the build reads and the bytes of the extracted rows.
#
#   scripts/build-memory.sh [--build-dir DIR]     (default build/linux, preset linux)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

build_dir=build/linux
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$2"; shift 2 ;;
    *) echo "build-memory.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
ensure_native_toolchain
ensure_packages time
cmake --preset linux -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 --target ordertable-cli ordertable-sample-pages
cli="$(realpath "$build_dir/cli/ordertable-cli")"
pages="$(realpath "$build_dir/tests/support/ordertable-sample-pages")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# cache_pages SOURCE_DIR FOLDER: cleans every page source into FOLDER/tmp as the wizard would.
cache_pages() {
  mkdir -p "$2/tmp"
  local page number
  for page in "$1"/page_*.html; do
    number="${page##*/page_}"
    "$cli" clean "$page" >"$2/tmp/AE_orders_${number%.html}.html"
  done
}
# peak_kib COMMAND...: runs the command in the current folder, its output into $work/said;
# prints its peak RSS in KiB.
peak_kib() {
  /usr/bin/time -f '%M' -o "$work/peak" "$@" >"$work/said"
  cat "$work/peak"
}
# row_bytes FOLDER: the bytes of every field of every row extracted from FOLDER/tmp.
row_bytes() {
  local page
  for page in "$1"/tmp/AE_orders_*.html; do "$cli" rows "$page"; done | tr -d '\t\n' | wc -c
}
mib() { awk -v b="$1" 'BEGIN { printf "%.1f MiB", b / 1048576 }'; }

"$pages" "$work/old" --pages 334 --orders-per-page 30 >/dev/null
"$pages" "$work/new" --pages 334 --orders-per-page 30 --first-id 8011999999999700 >/dev/null
cache_pages "$work/old" "$work/build"
cache_pages "$work/new" "$work/update"

base_kib=$(cd "$work/build" && peak_kib "$cli" --help)
largest_page=$(find "$work/build/tmp" -type f -printf '%s\n' | sort -n | tail -1)
rows=$(row_bytes "$work/build")

build_kib=$(cd "$work/build" && peak_kib "$cli" build)
echo "New table: $(cat "$work/said")"
table="$work/build/AliExpress Orders.html"
table_bytes=$(stat -c %s "$table")
cp "$table" "$work/update/"
update_kib=$(cd "$work/update" && peak_kib "$cli" build --update)
echo "Update: $(cat "$work/said")"
echo "Process without a build:       $(mib $((base_kib * 1024)))"
echo "Largest cached page file:      $(mib "$largest_page")"
echo "Bytes of the extracted rows:   $(mib "$rows")"
echo "Table document written:        $(mib "$table_bytes")"
echo "New table, peak RSS:           $(mib $((build_kib * 1024)))" \
  "($(awk -v p=$((build_kib - base_kib)) -v r=$(((largest_page + rows) / 1024)) \
    'BEGIN { printf "%.1f", p / r }') x largest page + rows, above the idle process)"
echo "Update of that table, peak RSS: $(mib $((update_kib * 1024)))" \
  "($(awk -v p=$((update_kib - base_kib)) -v r=$(((table_bytes + rows) / 1024)) \
    'BEGIN { printf "%.1f", p / r }') x largest file (the table) + rows, above the idle process)"
