#!/bin/bash
# The README against what it documents: it names every option that a
# program's --help lists and every static library the build defines.
#   readme_check.sh SOURCE_ROOT PROGRAM...
set -u
root=$1
shift
readme=$root/README.md
status=0
# A name stands alone: not inside a longer option or a program's name.
named() { grep -qE -- "(^|[^A-Za-z0-9_-])$1([^A-Za-z0-9_-]|\$)" "$readme"; }
for program in "$@"; do
  if ! help=$("$program" --help); then
    echo "$(basename "$program") --help failed"
    status=1
    continue
  fi
  for option in $(grep -oE '(^|[^A-Za-z0-9_-])--?[a-z][a-z-]*' <<<"$help" |
                  sed 's/^[^-]*//' | sort -u); do
    named "$option" ||
      { echo "README.md never names $(basename "$program") $option"; status=1; }
  done
done
for library in $(sed -n 's/^add_library(\([a-z_]*\) STATIC.*/\1/p' "$root/CMakeLists.txt"); do
  named "$library" || { echo "README.md never names the library $library"; status=1; }
done
exit $status
