#!/usr/bin/env bash
# Runs one recorded session: the program reads NAME.in in a scratch folder
# that holds a copy of files/, and its standard output must equal NAME.out
# byte for byte, with exit status 0. Each file in NAME.saved/, if that
# folder exists, must equal the file of the same name that the session
# left behind.
#
# usage: run_session.sh PROGRAM SESSIONS_DIR NAME
set -uo pipefail
program=$(realpath "$1")
sessions=$(realpath "$2")
name=$3

# Diff lines with tabs written as \t and each line end marked by $.
show() { sed -e 's/\t/\\t/g' -e 's/$/$/'; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -R "$sessions/files/." "$scratch/"

cd "$scratch" || exit 1
"$program" <"$sessions/$name.in" >"$scratch/.stdout" 2>"$scratch/.stderr"
status=$?
failed=0

if [ "$status" -ne 0 ]; then
  echo "$name: exit status $status, expected 0"
  failed=1
fi
if [ -s "$scratch/.stderr" ]; then
  echo "$name: unexpected output on standard error:"
  cat "$scratch/.stderr"
  failed=1
fi
if ! cmp -s "$sessions/$name.out" "$scratch/.stdout"; then
  echo "$name: standard output differs (- expected, + actual):"
  diff -u --label expected --label actual "$sessions/$name.out" \
    "$scratch/.stdout" | show | head -n 200
  failed=1
fi
if [ -d "$sessions/$name.saved" ]; then
  for expected in "$sessions/$name.saved"/*; do
    file=$(basename "$expected")
    if [ ! -f "$scratch/$file" ]; then
      echo "$name: the session left no file $file"
      failed=1
    elif ! cmp -s "$expected" "$scratch/$file"; then
      echo "$name: saved file $file differs (- expected, + actual):"
      diff -u --label expected --label actual "$expected" "$scratch/$file" |
        show
      failed=1
    fi
  done
fi
exit "$failed"
