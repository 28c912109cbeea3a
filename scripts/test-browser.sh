#!/usr/bin/env bash
# Browser test of the table document: builds a new table and an updated one with the
# command-line tool from generated order pages, one updated from a HAR of today's order page
# (rows of both origins), and checks them in headless Chromium
# (tests/browser/table_document.test.mjs) opened from disk with every host unreachable and no
# server, then a new table whose addresses hold quotes and markup and whose first titles and
# store start a formula. On each, the spreadsheet buttons are pressed: the saved workbook must
# hold what `ordertable-cli export --xlsx` gives (amount and currency aside), the CSV and the
# clipboard the same cells. Also checks that broken copies of the last document (and of the
# buttons' script) fail, that the assets written beside the table are the staged pinned files
# byte for byte, and a table built for an asset host (a second build of the tool, served from
# the staged folder). Screenshots go to artifacts/browser/.
#
# Usage: scripts/test-browser.sh [BUILD_DIR]
#   BUILD_DIR (or ORDERTABLE_BUILD_DIR): a build of the linux preset, default build/linux;
#   it is configured and the two programs built there when needed. The tool built for an
#   asset host goes to BUILD_DIR-hosted.
# Installs what it lacks: chromium with apt-get, the web packages with npm ci.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd)"
source scripts/packages.sh

build="${1:-${ORDERTABLE_BUILD_DIR:-build/linux}}"
case "$build" in /*) ;; *) build="$repo/$build" ;; esac

echo "== Browser test of the table document"
ensure_native_toolchain
ensure_packages chromium
command -v node >/dev/null && command -v npm >/dev/null || ensure_packages nodejs npm
command -v python3 >/dev/null || ensure_packages python3
command -v openssl >/dev/null || ensure_packages openssl

# The web packages exactly as locked; npm ci again whenever the lock file changed.
if [ ! -f web/node_modules/.package-lock.json ] ||
   [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
  (cd web && npm ci --no-audit --no-fund)
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset linux -B "$build" >/dev/null
fi
cmake --build "$build" -j2 --target ordertable-cli ordertable-sample-pages \
  ordertable-sample-capture
cli="$build/cli/ordertable-cli"
sample_pages="$build/tests/support/ordertable-sample-pages"
sample_capture="$build/tests/support/ordertable-sample-capture"
# The same tool built for an asset host: its new tables load their files from http://localhost/ae/.
hosted_build="$build-hosted"
if [ ! -f "$hosted_build/CMakeCache.txt" ]; then
  cmake --preset linux -B "$hosted_build" -DORDERTABLE_ASSET_HOST=localhost \
    -DBUILD_TESTING=OFF -DORDERTABLE_BENCHMARKS=OFF >/dev/null
fi
cmake --build "$hosted_build" -j2 --target ordertable-cli
hosted_cli="$hosted_build/cli/ordertable-cli"

work="$build/browser-test"
rm -rf "$work"
mkdir -p "$work/new" "$work/hostile" "$work/hosted"
bash web/stage-assets.sh "$work/site"
table="AliExpress Orders.html"
assets="AliExpress Orders files"

# A first capture of 3 pages of 8 orders (ids 100 to 123 after the prefix, newest first), then
# a later one of 4 pages starting 12 orders earlier in the id range: 12 new orders above the 20
# that the table already holds. Overlapping ids give identical orders (same seed).
"$sample_pages" "$work/pages-first" --pages 3 --orders-per-page 8 --first-id 8012000000000100 \
  >/dev/null
"$sample_pages" "$work/pages-later" --pages 4 --orders-per-page 8 --first-id 8012000000000088 \
  >/dev/null
(cd "$work/new" && "$cli" import "$work"/pages-first/page_*.html)
# What the program writes beside a table is what the staging script copies from the pinned
# packages, byte for byte, and nothing else.
diff -r "$work/site/ae" "$work/new/$assets"
echo "The assets beside the table are the staged files, byte for byte"

# The table moved elsewhere without its folder: the update puts the folder back.
mkdir -p "$work/updated"
cp "$work/new/$table" "$work/updated/"
cp -r "$work/new/tmp" "$work/updated/"
(cd "$work/updated" && "$cli" import --update "$work"/pages-later/page_*.html)
diff -r "$work/site/ae" "$work/updated/$assets"
echo "The update put the missing assets back"

# The first table updated from a HAR of today's order page: 15 newer orders, from Firefox,
# whose titles and store names hold markup, quotes and emoji. The table then holds rows of
# both origins.
mkdir -p "$work/mixed"
cp "$work/new/$table" "$work/mixed/"
"$sample_capture" "$work/today.har" --orders 15 --firefox --readable-dates >/dev/null
(cd "$work/mixed" && "$cli" import --update "$work/today.har")

# The first capture again, with a quote and markup inside the first picture, product and store
# addresses of page 1: in the table they must stay inside their attributes. Its first four
# titles and first store name start a formula, which no export may run.
cp -r "$work/pages-first" "$work/pages-hostile"
sed -i -e "0,/_50x50\./s//?v='><script>window.injected=1<\/script>_50x50./" \
  -e "0,/class=\"baobei-name\" href=\"\/\/[^\"]*/s//&' onmouseover='window.injected=2/" \
  -e "0,/class=\"store-url\" href=\"\/\/[^\"]*/s//&'><img src=x onerror='window.injected=3/" \
  "$work/pages-hostile/page_01.html"
perl -0pi -e '
  my @titles = ("=HYPERLINK(\"http://attacker.example/\",\"Click\")", "+1+cmd|\x27 /C calc\x27!A0",
                "-2+3", "\@SUM(1,1)");
  s{(class="baobei-name"[^>]*>)[^<]*}{@titles ? $1 . shift(@titles) : $&}ge;
  s{(Store name:</span>\s*<span class="info-body">)[^<]*}{${1}=1+2};
' "$work/pages-hostile/page_01.html"
(cd "$work/hostile" && "$cli" import "$work"/pages-hostile/page_*.html)
# Hand edits: a date in a form the table cannot read (kept as it came), and the rating of the
# row shown first written with a comma.
perl -0pi -e "s{<td>\d{4}-\d+-\d+</td>}{<td>12 Aug. 2019</td>};
  s{(.*<td><span class='stars'>)[^<]*}{\${1}4,5}s" "$work/hostile/$table"

# Rows written before pictures waited for their row to be shown: the first table with none of
# them so, and the updated one with only its new rows so (each with a copy of the folder).
for kind in older mixed-rows; do
  mkdir -p "$work/$kind"
  cp -r "$work/new/$assets" "$work/$kind/"
done
perl -pe "s/ loading='lazy'//" "$work/new/$table" > "$work/older/$table"
perl -pe "s/ loading='lazy'// if (\$rows += /^<!--/) > 12" "$work/updated/$table" \
  > "$work/mixed-rows/$table"

# A table saved again by a browser (a comment on its first line), then updated: every row of
# it must reach the table.
mkdir -p "$work/saved-as"
{ printf '<!-- saved from url=(0014)about:internet -->\r\n'; cat "$work/new/$table"; } \
  > "$work/saved-as/$table"
(cd "$work/saved-as" && "$cli" import --update "$work"/pages-later/page_*.html)

# A table of 10,000 orders, to time its opening against the earlier version's.
"$sample_pages" "$work/pages-large" --pages 10 --orders-per-page 1000 >/dev/null
mkdir -p "$work/large"
(cd "$work/large" && "$cli" import "$work"/pages-large/page_*.html)

# A table for an asset host: nothing beside it, its files served from the staged folder.
(cd "$work/hosted" && "$hosted_cli" import "$work"/pages-first/page_*.html)
if [ -e "$work/hosted/$assets" ]; then
  echo "a table for an asset host got \"$assets\" beside it" >&2
  exit 1
fi

node tests/browser/table_document.test.mjs \
  --cli "$cli" \
  --site "$work/site" \
  --artifacts "$repo/artifacts/browser" \
  --doc "new,$((3 * 8)),$work/new/$table" \
  --doc "updated,$((3 * 8 + 12)),$work/updated/$table" \
  --doc "mixed,$((3 * 8 + 15)),$work/mixed/$table" \
  --doc "older,$((3 * 8)),$work/older/$table" \
  --doc "mixed-rows,$((3 * 8 + 12)),$work/mixed-rows/$table" \
  --doc "saved-as,$((3 * 8 + 12)),$work/saved-as/$table" \
  --doc "hostile,$((3 * 8)),$work/hostile/$table" \
  --doc "hosted,$((3 * 8)),$work/hosted/$table" \
  --speed "$work/large/$table" \
  --mutants

# The bookmark: its copy and its file must import as exactly the generated orders.
node tests/browser/bookmark.test.mjs \
  --cli "$cli" \
  --sample-capture "$sample_capture" \
  --work "$work/bookmark" \
  --artifacts "$repo/artifacts/browser"
