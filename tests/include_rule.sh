#!/bin/bash
# Fails when an #include "..." crosses the layout's line: each folder may
# include its own headers and those of the folders below it, nothing else.
#   include_rule.sh SOURCE_ROOT
set -u
root=$1
declare -A allowed=(
  [src/core]="core"
  [src/store]="store core"
  [src/console]="console store core"
  [src/report]="report store core"
  [src/cli]="cli report console store core"
  [web]="web cli report store core"
)
# Where each header lives, by its name.
declare -A home
for header in "$root"/src/*/*.h "$root"/src/cli/version.h.in; do
  name=$(basename "$header" .in)
  folder=$(basename "$(dirname "$header")")
  home[$name]=$folder
done
status=0
for folder in "${!allowed[@]}"; do
  for file in "$root/$folder"/*.h "$root/$folder"/*.cpp; do
    [ -e "$file" ] || continue
    while IFS= read -r line; do
      number=${line%%:*}
      header=${line#*\"}
      header=${header%%\"*}
      target=${home[$header]:-}
      if [ -z "$target" ]; then
        [ -e "$(dirname "$file")/$header" ] && continue
        echo "$folder/$(basename "$file"):$number: \"$header\" is no header of src/"
        status=1
      elif [[ " ${allowed[$folder]} " != *" $target "* ]]; then
        echo "$folder/$(basename "$file"):$number: includes $target/$header;" \
             "$folder may include only ${allowed[$folder]}"
        status=1
      fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  done
done
exit $status
