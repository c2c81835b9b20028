#!/usr/bin/env bash
# The program gathers its output in large blocks, but every prompt must be
# on the screen before it waits for the operator. Feed it through a pipe
# that stays open and empty, and look for the prompt before typing.
set -euo pipefail
binary=$1
scratch=$(mktemp -d)
trap 'exec 3>&- 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkfifo "$scratch/typed"
exec 3<>"$scratch/typed"
"$binary" < "$scratch/typed" > "$scratch/screen" &
program=$!

wait_for() {  # TEXT: wait up to 5 s for TEXT to be on the screen
  for _ in $(seq 50); do
    grep -q -F "$1" "$scratch/screen" && return 0
    sleep 0.1
  done
  echo "not shown before the program waited: $1" >&2
  kill "$program" 2>/dev/null
  return 1
}

wait_for '请输入选项: '
printf '1\n9\n' >&3
wait_for '请输入保存文件名（如：network_topology.txt）：'
printf '%s\n0\n' "$scratch/saved.txt" >&3
wait "$program"
grep -q -F '再见' "$scratch/screen"
