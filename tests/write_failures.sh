#!/usr/bin/env bash
# Writes that fail: standard output on a full device and on a pipe nobody
# reads, and a save onto a full device, refused as not a regular file.
# (A save past a file-size limit is
# tested in-process, so that the limit covers nothing but the save.)
# Usage: write_failures.sh BINARY
set -euo pipefail
binary=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then
    echo "ok: $1"
  else
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}

stdout_lost='✘ 无法写出标准输出，程序已终止。'

# Standard output on a full device: a message on standard error, status 1.
status=0
printf '1 2 0\n' | "$binary" >/dev/full 2>err || status=$?
check "stdout on /dev/full: status 1" test "$status" -eq 1
check "stdout on /dev/full: message" test "$(cat err)" = "$stdout_lost"

# Standard output on a pipe whose reading end is already closed. The FIFO
# is opened for reading and writing first, so that opening it for writing
# does not wait for a reader; closing that descriptor leaves no reader.
mkfifo fifo
exec 3<>fifo 4>fifo
exec 3<&-
status=0
printf '1 2 0\n' | "$binary" >&4 2>err || status=$?
exec 4>&-
check "stdout on a closed pipe: status 1" test "$status" -eq 1
check "stdout on a closed pipe: message" test "$(cat err)" = "$stdout_lost"

# Saving onto a full device: refused at once, no success line.
printf '1 9 /dev/full 0\n' | "$binary" | cat >out
check "save to /dev/full: failure message" \
  grep -qF '请输入保存文件名（如：network_topology.txt）：✘ 文件 /dev/full 不是普通文件或 /dev/null（如设备、管道、套接字），未写入任何内容！' out
check "save to /dev/full: no success line" bash -c '! grep -q "✔ 拓扑已成功保存" out'

[ "$failures" -eq 0 ] || exit 1
echo "all write failures reported"
