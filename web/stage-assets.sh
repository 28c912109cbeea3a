#!/usr/bin/env bash
# Stages the folder that an asset host serves under /ae/: the files listed in
# table-assets.txt (the pinned packages' stylesheets, scripts, fonts and licences, and the
# drawn stars.png), laid out as the program writes them beside a table.
#
# Usage: web/stage-assets.sh [SITE_ROOT]   (default: build/site)
# Writes SITE_ROOT/ae/. Serve SITE_ROOT as the web root of the asset host, so that
# http://<asset host>/ae/js/jquery.min.js is SITE_ROOT/ae/js/jquery.min.js.
set -euo pipefail
web="$(cd "$(dirname "$0")" && pwd)"
root="${1:-$web/../build/site}"

# Every path and source of the list, in order.
mapfile -t entries < <(grep -v '^#' "$web/table-assets.txt" | grep -v '^[[:space:]]*$')

# The packages come from package-lock.json, nothing else: install them when one is missing.
for entry in "${entries[@]}"; do
  read -r _ source <<<"$entry"
  if [ ! -f "$web/$source" ]; then
    (cd "$web" && npm ci --omit=dev --no-audit --no-fund)
    break
  fi
done
version="$(node -p "require('$web/node_modules/mdbootstrap/package.json').version")"
if [ "$version" != "4.20.0" ]; then
  echo "stage-assets: mdbootstrap $version installed, 4.20.0 expected (run npm ci in web/)" >&2
  exit 1
fi

ae="$root/ae"
rm -rf "$ae"
for entry in "${entries[@]}"; do
  read -r path source <<<"$entry"
  mkdir -p "$(dirname "$ae/$path")"
  cp "$web/$source" "$ae/$path"
done
echo "Staged ${#entries[@]} assets in $ae"
