#!/usr/bin/env bash
# Builds the libFuzzer targets (CMake preset "fuzz": clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one, one after the other, for a bounded time or
# number of executions, starting from a seed corpus generated from the test page builder.
#
#   scripts/fuzz.sh [--seconds N | --runs N] [--build-dir DIR] [TARGET...]
#
# Default: 20 seconds per target, every target. Targets: clean_up text_between convert_date
# page_counter extract_rows overlap merge_rows read_table key_events order_list. The corpus
# each run grows is kept in DIR/fuzz/corpus/TARGET; an input that breaks a target is saved in
# DIR/fuzz/findings/TARGET/ and the script ends with status 1 once every target has run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

all_targets=(clean_up text_between convert_date page_counter extract_rows overlap merge_rows
  read_table key_events order_list)
limit=(-max_total_time=20)
build_dir=build/fuzz
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    --build-dir) build_dir="$2"; shift 2 ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# Largest input per target: the clean-up is checked against a reference that is quadratic on
# deep indentation, and page-sized inputs cost more than they find.
max_len() {
  case "$1" in
    clean_up) echo 2048 ;;
    merge_rows|read_table|order_list) echo 8192 ;;
    *) echo 4096 ;;
  esac
}
dictionary() {
  case "$1" in
    clean_up|convert_date|page_counter|extract_rows|overlap) echo fuzz/dict/page.dict ;;
    merge_rows|read_table) echo fuzz/dict/table.dict ;;
    key_events) echo fuzz/dict/keys.dict ;;
    order_list) echo fuzz/dict/order_list.dict ;;
    *) echo "" ;;
  esac
}

# clang 14 ships libFuzzer and the sanitizer run-times in libclang-rt-14-dev. Never start
# apt-get while another one runs.
packages=(clang libclang-rt-14-dev cmake ninja-build zlib1g-dev rapidjson-dev)
if ! dpkg-query -W -f='${Status}\n' "${packages[@]}" 2>/dev/null |
    grep -c "install ok installed" | grep -qx "${#packages[@]}"; then
  while pgrep -x apt-get >/dev/null; do sleep 5; done
  ensure_packages "${packages[@]}"
fi
ensure_web_assets_tools

echo "== Building the fuzz targets in $build_dir"
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j2 --target ordertable-fuzz-seeds "${targets[@]/#/fuzz_}"

# A smaller quarantine than AddressSanitizer's 256 MB: each execution frees far less than
# that, and reusing memory sooner roughly doubles the executions per second.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"

fuzz_dir="$build_dir/fuzz"
rm -rf "$fuzz_dir/seeds"
"$fuzz_dir/ordertable-fuzz-seeds" "$fuzz_dir/seeds"

failed=()
for target in "${targets[@]}"; do
  corpus="$fuzz_dir/corpus/$target"
  findings="$fuzz_dir/findings/$target"
  mkdir -p "$corpus" "$findings"
  options=("${limit[@]}" -max_len="$(max_len "$target")" -timeout=10 -rss_limit_mb=2048
    -print_final_stats=1 -artifact_prefix="$findings/")
  dict="$(dictionary "$target")"
  [ -z "$dict" ] || options+=(-dict="$dict")
  echo "== fuzz_$target ${limit[*]}"
  log="$fuzz_dir/$target.log"
  if "$fuzz_dir/fuzz_$target" "${options[@]}" "$corpus" "$fuzz_dir/seeds/$target" >"$log" 2>&1; then
    grep -E '^#[0-9]+.*DONE|stat::number_of_executed_units' "$log" | tail -2
  else
    failed+=("$target")
    tail -40 "$log"
    echo "fuzz_$target found a failure; the input is in $findings/ (log: $log)" >&2
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "Failures in: ${failed[*]}" >&2
  exit 1
fi
echo "== Every fuzz target ran without a finding"
