#!/usr/bin/env bash
# Checks the module's includes against the folder picture in the README's Layout section: every
# file of core/ log/ screens/ keyboard/ bridge/ native/ stands in one of its three layers and
# includes only module headers of its own layer or the ones below, so the picture stays true.
set -euo pipefail
root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
cd "$root"

# The picture's lines: "    top     core/exports.cpp, lifecycle, ...". A name with a folder sets
# the folder for the bare names after it; "folder/" alone puts the whole folder in the layer.
declare -A layer_of
rank=0
while read -r name entries; do
  case $name in top) rank=2 ;; middle) rank=1 ;; ground) rank=0 ;; *) continue ;; esac
  folder=
  for entry in ${entries//[,;]/ }; do
    if [[ $entry == */* ]]; then
      folder=${entry%%/*}
      entry=${entry#*/}
    fi
    [ -n "$folder" ] || { echo "FAIL: the picture names $entry before any folder"; exit 1; }
    layer_of["$folder/${entry%%.*}"]=$rank
  done
done < <(sed -n '/^## Layout/,/^## /p' README.md | grep -E '^    (top|middle|ground) ')
[ ${#layer_of[@]} -gt 0 ] || { echo "FAIL: no folder picture in the README's Layout section"; exit 1; }

# A file's layer: its own name in the picture, else its whole folder's.
layer() {
  local stem=${1%.*}
  if [ -n "${layer_of[$stem]+set}" ]; then echo "${layer_of[$stem]}"
  elif [ -n "${layer_of[${stem%%/*}/]+set}" ]; then echo "${layer_of[${stem%%/*}/]}"
  fi
}

failures=0
files=0
for file in {core,log,screens,keyboard,bridge,native}/*.{cpp,h}; do
  [ -f "$file" ] || continue
  files=$((files + 1))
  own=$(layer "$file")
  if [ -z "$own" ]; then
    echo "FAIL: $file is in no layer of the picture"
    failures=$((failures + 1))
    continue
  fi
  while read -r included; do
    below=$(layer "$included")
    [ -z "$below" ] && continue  # not a module header
    if [ "$below" -gt "$own" ]; then
      echo "FAIL: $file includes $included, a layer above its own"
      failures=$((failures + 1))
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done
echo "$files files, $failures includes or files against the picture"
[ "$failures" -eq 0 ]
