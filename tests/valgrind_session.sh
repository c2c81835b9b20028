#!/usr/bin/env bash
# Runs one long session under valgrind's memcheck and fails on any error or
# leak: create, matrix, every analysis, save, load, rebuild, several times,
# on the built-in network and on a loaded 40-device full mesh.
set -euo pipefail
binary=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

cp "$here/sessions/files/forty.txt" forty.txt  # 40 devices, 780 links

round='1 2 3 4 5 AR-D SV 6 7 8 CR 9 net.txt 10 net.txt 2 3 4 5 SV AR-D 6 7 8 SV 2 '
round+='10 forty.txt 2 3 4 5 D01 D40 6 7 8 D20 9 net.txt '
input=""
for _ in 1 2 3; do input+="$round"; done
input+=$'10 missing.txt 0\n'

printf '%s' "$input" | valgrind --quiet --error-exitcode=3 --leak-check=full \
  --show-leak-kinds=all --errors-for-leak-kinds=all "$binary" >/dev/null
echo "valgrind: no errors, no leaks"
