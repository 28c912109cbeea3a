#!/usr/bin/env bash
# Builds and runs every test: the native unit tests (plain and under the sanitizers), the
# Windows build with its unit tests and the end-to-end run under Wine, and the browser test
# of the table document. Installs what it lacks with apt-get and npm.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_native_toolchain

echo "== Native build and unit tests"
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux

echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan
ctest --preset linux-asan

echo "== Windows program under Wine: unit tests and the end-to-end run"
bash scripts/test-windows.sh

echo "== Table document in a real browser"
bash scripts/test-browser.sh build/linux

echo "== Short fuzz runs of every parser"
bash scripts/fuzz.sh --seconds 20
