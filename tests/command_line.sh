#!/usr/bin/env bash
# The command lines of both programs: --help and --version answer on
# standard output with status 0 and nothing on standard error; topoplan
# refuses any other argument with one line on standard error, nothing on
# standard output (so no menu) and status 2.
# The other commands' option lines in --help line up, Chinese counted as
# two columns, and their exit statuses are listed there.
# Usage: command_line.sh TOPOPLAN TOPOPLAN_DRAW VERSION [TOPOPLAN_RESILIENCE
#        TOPOPLAN_IMPORT]
set -uo pipefail
topoplan=$1
draw=$2
version=$3
others=("${@:4}")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
source "$(dirname "$(realpath "$0")")/support/checks.sh"

# run COMMAND...: sets status, out (standard output) and err.
run() {
  "$@" <"$scratch/input" >"$scratch/out" 2>"$scratch/err"
  status=$?
  out=$(cat "$scratch/out")
  err=$(cat "$scratch/err")
}

# answers PROGRAM START ARGUMENT: status 0, standard output whose first
# line begins with START, and nothing on standard error.
answers() {
  run "$1" "$3"
  [ "$status" -eq 0 ] || fail "$1 $3 exited $status"
  [[ ${out%%$'\n'*} == "$2"* ]] || fail "$1 $3 printed: $out"
  [ -z "$err" ] || fail "$1 $3 wrote to standard error: $err"
}

# The menu must not start even when there is input for it.
echo 1 >"$scratch/input"
answers "$topoplan" "topoplan $version" --version
[ "$out" = "topoplan $version" ] || fail "topoplan --version printed more: $out"
answers "$topoplan" "用法：topoplan [--help | --version]" --help
answers "$topoplan" "用法：topoplan [--help | --version]" -h
answers "$draw" "topoplan-draw $version" --version
[ "$out" = "topoplan-draw $version" ] || fail "topoplan-draw --version printed more: $out"
answers "$draw" "用法：topoplan-draw [" --help
[ "$(grep -c -- --version <<<"$out")" -eq 1 ] || fail "topoplan-draw --help does not list --version"

refusals=("--frob" "campus.txt" "" "-" "--help --version" "--version --version")
for refusal in "${refusals[@]}"; do
  read -ra words <<<"$refusal"
  [ -n "$refusal" ] || words=("")
  run "$topoplan" "${words[@]}"
  [ "$status" -eq 2 ] || fail "topoplan $refusal exited $status, not 2"
  [ -z "$out" ] || fail "topoplan $refusal wrote to standard output: $out"
  [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && [[ $err == "✘ "*"用法：topoplan [--help | --version]" ]] ||
    fail "topoplan $refusal did not refuse in one line: $err"
done

# Each description starts in one column: the option lines' and the lines
# that go on under them.
for program in "$draw" "${others[@]}"; do
  name=$(basename "$program")
  answers "$program" "$name $version" --version
  answers "$program" "用法：$name" --help
  grep -q '退出状态：.*内存不足' <<<"$(tr -d '\n' <<<"$out")" ||
    fail "$name --help does not give the status for running out of memory"
  columns=$(python3 -c '
import sys, unicodedata
def width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)
starts = set()
for line in sys.stdin.read().splitlines():
    if line.startswith("  -"):
        label = line.split("  ", 2)[1]
        if not line.lstrip(" ")[len(label):].strip():
            continue  # a long label: its help starts on the next line
        starts.add(width(line) - width(line.lstrip(" ")[len(label):].lstrip(" ")))
    elif line.startswith(" " * 16):
        starts.add(len(line) - len(line.lstrip(" ")))
print(" ".join(str(start) for start in sorted(starts)))
' <<<"$out")
  [[ $columns =~ ^[0-9]+$ ]] || fail "$name --help descriptions start in columns $columns"
done

finish command_line
