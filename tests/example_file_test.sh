#!/usr/bin/env bash
# The example topology shipped with the documentation must be exactly what
# option 9 writes for the built-in network.
# Usage: example_file_test.sh PROGRAM EXAMPLE
set -euo pipefail
program=$(realpath "$1")
example=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

printf '1 9 saved.txt 0\n' | "$program" >/dev/null
cmp saved.txt "$example"
echo "the saved built-in network equals $(basename "$example")"
