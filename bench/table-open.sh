#!/usr/bin/env bash
# Benchmark of opening a table in headless Chromium (bench/table_open.mjs): tables of 1,000,
# 10,000 and 50,000 generated orders, as this version writes them and as the earlier version
# did, time until the table is drawn, requests sent and peak memory of the page. Not part of
# the tests: the earlier document of 50,000 orders takes many minutes.
#
# Usage: bench/table-open.sh [BUILD_DIR] [-- ARGS for table_open.mjs, e.g. --sizes 1000]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/linux}"
shift || true
[ "${1:-}" = "--" ] && shift
if [ ! -f web/node_modules/.package-lock.json ]; then (cd web && npm ci --no-audit --no-fund); fi
cmake --build "$build" -j2 --target ordertable-cli ordertable-sample-pages
node bench/table_open.mjs --cli "$build/cli/ordertable-cli" \
  --sample-pages "$build/tests/support/ordertable-sample-pages" \
  --work "$build/table-open-bench" "$@"
