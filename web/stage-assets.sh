#!/usr/bin/env bash
# Stages the folder that the asset host serves under /ae/: the table document's stylesheets
# and scripts from the pinned mdbootstrap package, and the drawn stars.png.
#
# Usage: web/stage-assets.sh [SITE_ROOT]   (default: build/site)
# Writes SITE_ROOT/ae/. Serve SITE_ROOT as the web root of the asset host, so that
# http://<asset host>/ae/js/jquery.min.js is SITE_ROOT/ae/js/jquery.min.js.
set -euo pipefail
web="$(cd "$(dirname "$0")" && pwd)"
root="${1:-$web/../build/site}"

# The packages come from package-lock.json, nothing else: install them when they are missing.
if [ ! -f "$web/node_modules/mdbootstrap/package.json" ]; then
  (cd "$web" && npm ci --omit=dev --no-audit --no-fund)
fi
mdb="$web/node_modules/mdbootstrap"
version="$(node -p "require('$mdb/package.json').version")"
if [ "$version" != "4.20.0" ]; then
  echo "stage-assets: mdbootstrap $version installed, 4.20.0 expected (run npm ci in web/)" >&2
  exit 1
fi

files=(
  css/bootstrap.min.css
  css/mdb.min.css
  css/style.css
  css/addons/datatables.min.css
  js/jquery.min.js
  js/popper.min.js
  js/bootstrap.min.js
  js/mdb.min.js
  js/addons/datatables.min.js
)
ae="$root/ae"
rm -rf "$ae"
mkdir -p "$ae/css/addons" "$ae/js/addons"
for f in "${files[@]}"; do
  cp "$mdb/$f" "$ae/$f"
done
cp "$mdb/license.txt" "$ae/LICENSE-mdbootstrap.txt"
cp "$web/stars.png" "$ae/stars.png"
echo "Staged $((${#files[@]} + 1)) assets in $ae"
