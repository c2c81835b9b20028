#!/usr/bin/env bash
# Saving and loading on a shared machine: a link planted by another user
# in a sticky folder is followed only as the kernel allows; killed saves
# leave no temporary files, and a killed in-place rewrite leaves a
# complete backup that the next save points out; huge input costs
# constant memory. Checks that need root or a facility the machine lacks
# print "SKIP: reason".
# Usage: file_safety.sh TOPOPLAN TOPOPLAN_DRAW
set -uo pipefail
topoplan=$(realpath "$1")
draw=$(realpath "$2")
scratch=$(mktemp -d)
chmod 755 "$scratch"
cleanup=("rm -rf '$scratch'")
trap 'for step in "${cleanup[@]}"; do eval "$step"; done' EXIT
cd "$scratch" || exit 1
source "$(dirname "$(realpath "$0")")/support/checks.sh"

# save NAME: the built-in network saved to NAME; prints the save's answer.
save() {
  printf '1\n9\n%s\n0\n' "$1" | "$topoplan" |
    sed -n 's/^.*请输入保存文件名（如：network_topology.txt）：//p' 
}

printf '1\n9\nreference.txt\n0\n' | "$topoplan" >/dev/null

# --- A link planted by another user -------------------------------------
protect_links() {
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: links: needs root"; return; }
  command -v useradd >/dev/null && command -v setpriv >/dev/null ||
    { echo "SKIP: links: needs useradd and setpriv"; return; }
  local setting=/proc/sys/fs/protected_symlinks
  [ -w "$setting" ] || { echo "SKIP: links: $setting is not writable"; return; }
  local user=topoplan-intruder$$
  useradd --system --no-create-home "$user" ||
    { echo "SKIP: links: useradd failed"; return; }
  cleanup+=("userdel '$user' 2>/dev/null")
  cleanup+=("echo $(cat "$setting") >$setting")
  echo 1 >"$setting"

  mkdir -m 700 private && printf 'secret\n' >private/victim.txt
  cp private/victim.txt private/victim.svg
  mkdir -m 1777 shared
  setpriv --reuid="$user" --regid="$user" --clear-groups \
    ln -s "$scratch/private/victim.txt" shared/topo.txt
  setpriv --reuid="$user" --regid="$user" --clear-groups \
    ln -s "$scratch/private/victim.svg" shared/topo.svg
  if (echo hi >shared/topo.txt) 2>/dev/null; then
    echo "SKIP: links: the kernel does not protect links in sticky folders"
    printf 'secret\n' >private/victim.txt
    return
  fi
  local answer before=$failures
  answer=$(save shared/topo.txt)
  [ "$answer" = "✘ 无法打开文件 shared/topo.txt 进行写入！" ] ||
    fail "save through a planted link answered: $answer"
  "$draw" -o shared/topo.svg reference.txt 2>/dev/null &&
    fail "topoplan-draw -o wrote through a planted link"
  [ "$(cat private/victim.txt private/victim.svg)" = "$(printf 'secret\nsecret')" ] ||
    fail "the victim's files were overwritten"
  [ "$(ls -A shared)" = "$(printf 'topo.svg\ntopo.txt')" ] ||
    fail "refused saves left files in the shared folder: $(ls -A shared)"
  [ "$failures" -eq "$before" ] &&
    echo "ok: links planted by another user are followed as the kernel allows"
}
protect_links

# --- Killed saves ---------------------------------------------------------
# Sessions that save over and over, killed at random moments.
kill_saves() {  # kill_saves FOLDER ROUNDS
  local folder=$1 rounds=$2
  local input
  input=$(printf '1\n'; for _ in $(seq 400); do printf '9\nnet.txt\n'; done)
  for _ in $(seq "$rounds"); do
    (cd "$folder" && exec "$topoplan" <<<"$input" >/dev/null) &
    local pid=$!
    sleep "0.00$((RANDOM % 9 + 1))"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
}

before=$failures
mkdir renamed && cp reference.txt renamed/net.txt
kill_saves renamed 40
# A kill between naming the complete file and renaming it over the old one
# can leave that name; the next save of the file removes it.
[ "$(save renamed/net.txt)" = "✔ 拓扑已成功保存到文件：renamed/net.txt（共8台设备，10条链路）" ] ||
  fail "the save after the kills failed"
[ "$(ls -A renamed)" = net.txt ] ||
  fail "killed saves left files behind: $(ls -A renamed | tr '\n' ' ')"
cmp -s renamed/net.txt reference.txt || fail "a killed save left net.txt incomplete"

# A second hard link makes the save rewrite the file in place. Killed, it
# may leave the old content beside it, complete, and the next save says so.
mkdir inplace && printf 'old\n' >inplace/net.txt && ln inplace/net.txt inplace/other.txt
# The backup's name ends in the file's device and inode.
backup=inplace/.net.txt.$(stat -c %d-%i inplace/net.txt).topoplan-backup
for _ in $(seq 40); do
  printf 'old\n' >inplace/net.txt
  kill_saves inplace 1
  [ -e "$backup" ] && break
done
if [ ! -e "$backup" ]; then
  echo "SKIP: in-place kills: no kill landed inside a rewrite"
else
  # The old content of the save that was killed: the first save's, or
  # what an earlier save of the session wrote.
  complete() { [ "$(cat "$backup")" = old ] || cmp -s "$backup" reference.txt; }
  complete || fail "the backup does not hold a complete old content"
  cp "$backup" backup.before
  answer=$(save inplace/net.txt)
  [ "$answer" = "✘ 上次保存文件 inplace/net.txt 时被中断，原有内容仍在 $backup 中；请先用它恢复或删除它，本次未写入任何内容！" ] ||
    fail "a save over a leftover backup answered: $answer"
  cmp -s "$backup" backup.before || fail "a later save touched the backup"
fi
[ "$(ls -A inplace | grep -v -e '^net.txt$' -e '^other.txt$' -e '^.net.txt.[0-9-]*.topoplan-backup$')" = "" ] ||
  fail "killed in-place saves left files behind: $(ls -A inplace | tr '\n' ' ')"
[ "$failures" -eq "$before" ] && echo "ok: killed saves leave no temporary files"

# --- protected_regular: refused as the shell's > is ---------------------
protect_regular() {
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: protected_regular: needs root"; return; }
  command -v useradd >/dev/null && command -v setpriv >/dev/null ||
    { echo "SKIP: protected_regular: needs useradd and setpriv"; return; }
  local setting=/proc/sys/fs/protected_regular
  [ -w "$setting" ] || { echo "SKIP: protected_regular: $setting is not writable"; return; }
  local user=topoplan-planter$$
  useradd --system --no-create-home "$user" ||
    { echo "SKIP: protected_regular: useradd failed"; return; }
  cleanup+=("userdel '$user' 2>/dev/null")
  cleanup+=("echo $(cat "$setting") >$setting")
  echo 2 >"$setting"
  mkdir -m 1777 sticky
  setpriv --reuid="$user" --regid="$user" --clear-groups \
    sh -c 'umask 0; echo planted >sticky/p.txt; echo planted >sticky/p.svg'
  if (echo hi >sticky/p.txt) 2>/dev/null; then
    echo "SKIP: protected_regular: the kernel does not apply it here"; return
  fi
  local before=$failures
  [ "$(save sticky/p.txt)" = "✘ 无法打开文件 sticky/p.txt 进行写入！" ] ||
    fail "a save wrote another user's file in a sticky folder"
  "$draw" -o sticky/p.svg reference.txt 2>/dev/null &&
    fail "topoplan-draw -o wrote another user's file in a sticky folder"
  [ "$(cat sticky/p.txt sticky/p.svg)" = "$(printf 'planted\nplanted')" ] ||
    fail "the planted files were overwritten"
  [ "$failures" -eq "$before" ] && echo "ok: protected_regular refuses saves as it refuses >"
}
protect_regular

# --- Simultaneous saves ---------------------------------------------------
before=$failures
mkdir together && cp reference.txt together/a.txt && ln together/a.txt together/b.txt
for round in $(seq 30); do
  name=together/a.txt; [ $((round % 2)) -eq 0 ] && name=together/b.txt
  save "$name" >"together.$round.out" &
done
wait
grep -L "^✔" together.*.out | while read -r out; do
  fail "a simultaneous save answered: $(cat "$out")"
done
cmp -s together/a.txt reference.txt || fail "simultaneous saves mixed the file"
[ "$(ls -A together)" = "$(printf 'a.txt\nb.txt')" ] ||
  fail "simultaneous saves left files: $(ls -A together | tr '\n' ' ')"
# A save held up while another holds the file's write lock waits for it,
# and gives up with a message when it is held too long; a reader's flock
# never holds it up.
hold_lock() {  # hold_lock FILE SECONDS &: a save's lock, as another save takes it
  python3 -c 'import fcntl, struct, sys, time
fd = open(sys.argv[1], "r+b")
fcntl.fcntl(fd, fcntl.F_OFD_SETLKW, struct.pack("hhqqi", fcntl.F_WRLCK, 0, 0, 0, 0))
open("held", "w").close()
time.sleep(float(sys.argv[2]))' "$1" "$2"
}
until_held() { for _ in $(seq 100); do [ -e held ] && return; sleep 0.05; done; }
rm -f held
hold_lock together/a.txt 1 &
until_held
[ "$(save together/b.txt)" = "✔ 拓扑已成功保存到文件：together/b.txt（共8台设备，10条链路）" ] ||
  fail "a save did not wait for the lock"
wait
rm -f held
hold_lock together/a.txt 12 &
until_held
[ "$(save together/a.txt)" = "✘ 文件 together/a.txt 正被另一次保存写入，等待超时，本次未写入任何内容！" ] ||
  fail "a save held up too long did not give up"
wait
if command -v flock >/dev/null; then
  flock together/a.txt sleep 12 &  # opened for reading only
  reader=$!
  sleep 0.3
  [ "$(save together/a.txt)" = "✔ 拓扑已成功保存到文件：together/a.txt（共8台设备，10条链路）" ] ||
    fail "a reader's flock held a save up"
  kill "$reader"
  wait
fi
rm -f held
[ "$failures" -eq "$before" ] && echo "ok: simultaneous saves each write the whole file"

# --- Devices, read errors, C1 controls, long names, leftovers -----------
before=$failures
[ "$(save /dev/zero)" = "✘ 文件 /dev/zero 不是普通文件或 /dev/null（如设备、管道、套接字），未写入任何内容！" ] ||
  fail "a save to /dev/zero was not refused"
answer=$(printf '10\n/dev/ptmx\n0\n' | timeout 5 "$topoplan" | grep -ao '✘.*')
[ "$answer" = "✘ 文件 /dev/ptmx 不是普通文件（如设备、管道、套接字），未读取任何内容！" ] ||
  fail "loading /dev/ptmx answered: $answer"
answer=$(printf '1\n10\n/proc/self/mem\n2\n0\n' | timeout 5 "$topoplan" | grep -ao '✘.*')
[ "$answer" = "$(printf '✘ 读取文件 /proc/self/mem 时出错，加载失败！\n✘ 网络拓扑图未创建！请先执行选项1。')" ] ||
  [ "$answer" = "✘ 读取文件 /proc/self/mem 时出错，加载失败！" ] ||
  fail "a read error answered: $answer"
"$draw" /proc/self/mem >/dev/null 2>&1; status=$?
[ "$status" -eq 1 ] || fail "topoplan-draw on a read error exited $status"
printf '1 0\nCR 核心\xc2\x9b路由器 4 24h\n' >c1.txt
answer=$(printf '10\nc1.txt\n0\n' | "$topoplan" | grep -ao '✘.*')
[ "$answer" = "✘ 文件格式错误：第1台设备的描述含有控制字符！" ] ||
  fail "a C1 control answered: $answer"
# The menu takes names of 111 bytes at most; topoplan-draw takes any.
long=$(printf 'n%.0s' $(seq 248)).svg
if command -v dot >/dev/null; then
  printf 'old\n' >"$long" && ln "$long" long-link.svg
  for links in two one; do
    "$draw" -o "$long" reference.txt 2>err.txt ||
      fail "a save over a 252-byte name with $links links failed: $(cat err.txt)"
    rm -f long-link.svg
  done
else
  echo "SKIP: long names: Graphviz's dot is missing"
fi
mkdir leftover && cp reference.txt leftover/net.txt && ln leftover/net.txt leftover/other.txt
cp reference.txt leftover/.net.txt.new-Ab3dE9
[ "$(save leftover/net.txt)" = "✔ 拓扑已成功保存到文件：leftover/net.txt（共8台设备，10条链路）" ] ||
  fail "the save beside a leftover failed"
[ "$(ls -A leftover)" = "$(printf 'net.txt\nother.txt')" ] ||
  fail "a leftover temporary stayed: $(ls -A leftover | tr '\n' ' ')"
[ "$failures" -eq "$before" ] &&
  echo "ok: devices, read errors, C1 controls, long names and leftovers"

# --- Memory bounded by the fields ------------------------------------------
peak() {  # peak COMMAND...: peak resident memory in KiB of the command
  /usr/bin/time -f %M -o peak.txt "$@" >/dev/null 2>&1
  tail -n 1 peak.txt
}
if [ ! -x /usr/bin/time ]; then
  echo "SKIP: memory: /usr/bin/time is missing"
elif grep -qa -e __asan_init -e __ubsan_handle "$topoplan"; then
  echo "SKIP: memory: a sanitizer build has its own overhead"
else
  # Measured against a session that reads nothing, so that a build's own
  # overhead (coverage counters, say) is not taken for the input's.
  base=$(printf '0\n' | peak "$topoplan")
  printf '1 0\n' >huge.txt && truncate -s 8G huge.txt
  kib=$(printf '10\nhuge.txt\n0\n' | peak timeout 20 "$topoplan")
  rm -f huge.txt
  [ "$kib" -lt $((base + 1024)) ] || fail "an 8 GB file took $kib KiB (idle: $base KiB)"
  echo "peak memory, 8 GB file with one token: $kib KiB (idle session: $base KiB)"
  kib=$({ printf '1\n2\n8\n'; head -c 300M /dev/zero | tr '\0' a; printf '\n0\n'; } |
    peak timeout 60 "$topoplan")
  [ "$kib" -lt $((base + 1024)) ] || fail "a 300 MB device code took $kib KiB (idle: $base KiB)"
  echo "peak memory, 300 MB device code: $kib KiB (idle session: $base KiB)"
fi

finish file_safety
