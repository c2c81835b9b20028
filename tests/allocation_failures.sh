#!/usr/bin/env bash
# Runs one session that creates, builds the matrix, analyses, saves over an
# existing file and loads it back, refusing the N-th allocation for every N
# the session reaches. Each run must end with status 2 and the
# out-of-memory message (or recover and end normally), never crash or draw
# a sanitizer report, and the saved file must hold either its old content
# or the complete new one.
# Usage: allocation_failures.sh BINARY EXPECTED_SAVED_FILE [STEP]
# With a STEP, only every STEP-th allocation is refused (for slow runners).
set -euo pipefail
binary=$(realpath "$1")
expected=$(realpath "$2")
step=${3:-1}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

old=$'2 1\nOLD 旧设备 1 24h\nNEW 新设备 2 24h\nOLD NEW 7\n'
input='1 2 3 4 5 AR-D SV 6 7 8 CR 9 net.txt 10 net.txt 2 3 4 5 SV AR-D 6 7 8 SV 0'
oom_line='✘ 内存不足，程序已终止。'

fail() {
  echo "allocation $n: $1" >&2
  echo "--- stderr:" >&2
  cat err >&2
  exit 1
}

n=0
refused=0
while :; do
  n=$((n + step))
  printf '%s' "$old" >net.txt
  status=0
  TOPOPLAN_FAIL_ALLOCATION=$n "$binary" <<<"$input" >out 2>err || status=$?
  if ! cmp -s net.txt <(printf '%s' "$old") && ! cmp -s net.txt "$expected"; then
    fail "the saved file is neither the old nor the new content"
  fi
  [ "$(find . -name '.net.txt.*' | wc -l)" -eq 0 ] || fail "a temporary file was left"
  if ! grep -qx "allocation $n refused" err; then
    # The session made fewer than n allocations: it ran to its end.
    [ "$status" -eq 0 ] || fail "status $status without a refused allocation"
    [ ! -s err ] || fail "unexpected standard error"
    cmp -s net.txt "$expected" || fail "a complete session did not save"
    break
  fi
  refused=$((refused + 1))
  case "$status" in
    2) [ "$(tail -n 1 err)" = "$oom_line" ] || fail "status 2 without the message"
       [ "$(wc -l <err)" -eq 2 ] || fail "more on standard error than the message" ;;
    0) [ "$(wc -l <err)" -eq 1 ] || fail "a recovered session wrote to standard error" ;;
    *) fail "status $status" ;;
  esac
done
[ "$refused" -gt 0 ] || { echo "no allocation was ever refused" >&2; exit 1; }
echo "refused $refused of the session's allocations in turn: no crash, no damaged file"
