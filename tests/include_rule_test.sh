#!/bin/bash
# The include rule over the sources, and over copies with one line that
# crosses it, which it must refuse.
#   include_rule_test.sh SOURCE_ROOT
set -u
root=$1
check=$(dirname "$0")/include_rule.sh
bash "$check" "$root" || exit 1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cases=(
  'src/core/utf8.h:#include "topology_file.h"'
  'src/store/graphml.cpp:#include "menu.h"'
  'src/store/reader.h:#include "resilience_text.h"'
  'src/console/menu.cpp:#include "command_line.h"'
  'src/report/page_text.cpp:#include "menu.h"'
  'src/report/page_text.cpp:  #  include "draw.h"'
  'src/core/network.cpp:#include "nowhere.h"'
)
for entry in "${cases[@]}"; do
  rm -rf "${scratch:?}"/*
  cp -r "$root/src" "$root/web" "$scratch"
  echo "${entry#*:}" >> "$scratch/${entry%%:*}"
  if bash "$check" "$scratch" > /dev/null; then
    echo "not refused: $entry"
    exit 1
  fi
done
