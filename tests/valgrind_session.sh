#!/usr/bin/env bash
# Runs one long session under valgrind's memcheck and fails on any error or
# leak: create, matrix, every analysis, save, load, rebuild, several times.
set -euo pipefail
binary=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

round='1 2 3 4 5 AR-D SV 6 7 8 CR 9 net.txt 10 net.txt 2 3 4 5 SV AR-D 6 7 8 SV 2 '
input=""
for _ in 1 2 3; do input+="$round"; done
input+=$'10 missing.txt 0\n'

printf '%s' "$input" | valgrind --quiet --error-exitcode=3 --leak-check=full \
  --show-leak-kinds=all --errors-for-leak-kinds=all "$binary" >/dev/null
echo "valgrind: no errors, no leaks"
