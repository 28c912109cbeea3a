#!/usr/bin/env bash
# Fails when a source file of a layer includes a header of a layer it may not use.
#
#   bash scripts/check-layers.sh
#
# The linker cannot tell: the layers are static libraries, resolved together at the final
# link, and every target compiles with the whole tree on its include path. So the rule is
# kept here, on the includes, which is where a call the wrong way starts. CTest runs this.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each layer with the layers its files may include (its own among them): the same as the
# target_link_libraries of its CMake library.
declare -A may_use=(
  [files]="files"
  [orders]="files orders"
  [table]="files orders table"
  [spreadsheet]="files orders table spreadsheet"
  [builder]="files orders table builder"
  [keys]="keys"
  [app]="files orders table builder keys app"
  [cli]="files orders table spreadsheet builder cli"
)

wrong=0
for layer in "${!may_use[@]}"; do
  while IFS= read -r match; do
    file=${match%%:*}
    rest=${match#*:}
    line=${rest%%:*}
    header=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"${rest#*:}")
    used=${header%%/*}
    # A name without a folder is one beside the including file: the same layer.
    [[ $header != */* ]] && used=$layer
    if [[ $header == *..* || " ${may_use[$layer]} " != *" $used "* ]]; then
      echo "$file:$line: the $layer layer includes \"$header\"; it may use only: ${may_use[$layer]}" >&2
      wrong=1
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
             --include='*.h' --include='*.cpp' -r "$layer" || true)
done
if [ "$wrong" -ne 0 ]; then
  echo "A layer may use only the layers below it (see \"Source layout\" in README.md)." >&2
  exit 1
fi
echo "Every include stays within its layer or goes to a layer below."
