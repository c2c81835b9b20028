#!/usr/bin/env bash
# The command line of topoplan-resilience: exit statuses and messages, the
# built-in network's figures in text and JSON, a failed write, and the
# whole JSON report against the NetworkX reference on generated topologies
# (skipped, saying why, where NetworkX is missing).
# Usage: resilience_cli.sh TOPOPLAN_RESILIENCE CAMPUS_FILE
set -uo pipefail
resilience=$(realpath "$1")
campus=$(realpath "$2")
reference=$(dirname "$(realpath "$0")")/resilience_reference.py
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
source "$(dirname "$(realpath "$0")")/support/checks.sh"

# check STATUS TEXT ARGS...: topoplan-resilience ARGS, as run_and_check
# checks it.
check() {
  local want=$1 text=$2
  shift 2
  run_and_check "$want" "$text" "$resilience" "$@"
}

printf '2 1\nA a 1 x\nB b 1 y\nA B -3\n' >negative.txt
# A negative latency hidden behind an older parallel link still counts.
printf '3 2\nA a 1 x\nB b 1 y\nC c 1 z\nA B 3\nA B -3\n' >negative_twin.txt
printf '0 0\n' >empty.txt

check 2 "缺少拓扑文件"
check 2 "未知选项：--fast" "$campus" --fast
check 2 "只能给出一个拓扑文件" "$campus" "$campus"
check 2 "--fail-device 后须跟一个设备代号" "$campus" --fail-device
check 2 "--fail-link 后须跟两个设备代号" "$campus" --fail-link CR
check 2 "--route 只能给出一次" "$campus" --route CR SV --route SV CR
check 2 "✘ 未找到设备：cr" "$campus" --fail-device cr
check 2 "✘ 未找到设备：XX" "$campus" --route CR XX
check 2 "✘ 链路不存在：CR ── SV" "$campus" --fail-link CR SV
check 1 "✘ 无法打开文件 missing.txt 进行读取！" missing.txt
check 1 "✘ 文件数据不合法：设备数=0，链路数=0" empty.txt
check 1 "✘ 拓扑中存在负延迟链路，无法计算最短路径！" negative.txt
check 1 "✘ 拓扑中存在负延迟链路，无法计算最短路径！" negative_twin.txt
check 0 "用法：topoplan-resilience" --help
check 0 "topoplan-resilience 1." --version

# The built-in network: CR and the link CR-FW cut off the firewall.
check 0 "⚠ 设备 CR：故障后切断 FW" "$campus"
grep -qF "⚠ 链路 CR ── FW（2ms）：故障后切断 FW" out.txt ||
  fail "the campus report misses the link CR-FW"
check 0 "备用路由（7ms）：DR-A → AR-L → SV" "$campus" --route DR-A SV
check 0 "设备 DR-B、链路 CR ── DR-A（5ms）" "$campus" --fail-device DR-B --fail-link DR-A CR
"$resilience" --json "$campus" >campus.json || fail "--json exited $?"
python3 - campus.json <<'PY' || fail "the campus JSON is not as expected"
import json, sys
report = json.load(open(sys.argv[1]))
assert (report["devices"], report["links"], report["parts"]) == (8, 10, 1)
assert report["cut_devices"] == ["CR"] and report["cut_links"] == [["CR", "FW", 2]]
assert len(report["scenarios"]) == 18 and report["route"] is None
assert report["scenarios"][0] == {
    "failed": {"devices": ["CR"], "links": []}, "parts": 2,
    "lost_pairs": 6, "slower_pairs": 0, "worst": None}
PY

check 2 "--jobs 后须跟一个不小于 1 的整数" "$campus" --jobs 0
check 2 "--jobs 后须跟一个不小于 1 的整数" "$campus" --jobs 2x
check 2 "--jobs 后须跟一个不小于 1 的整数" "$campus" --jobs
# Any number of threads gives the same report, and standard error that is
# not a terminal gets no progress line.
for jobs in 1 3 64 100; do
  "$resilience" --jobs "$jobs" --json "$campus" >jobs.json 2>jobs.err ||
    fail "--jobs $jobs exited $?"
  cmp -s jobs.json campus.json || fail "--jobs $jobs changed the report"
  [ -s jobs.err ] && fail "--jobs $jobs wrote to standard error"
done

if "$resilience" "$campus" >/dev/full 2>err.txt; then
  fail "a report onto /dev/full succeeded"
fi
grep -qF "✘ 无法写出标准输出！" err.txt || fail "no message for a failed write"

if python3 -c 'import networkx' 2>/dev/null; then
  count=100
  mkdir generated
  python3 "$reference" --generate "$count" generated
  files=()
  for seed in $(seq 1 "$count"); do files+=("generated/$seed.txt"); done
  python3 "$reference" "${files[@]}" >want.jsonl
  for file in "${files[@]}"; do "$resilience" --json "$file"; done >got.jsonl
  python3 - want.jsonl got.jsonl <<'PY' || fail "the reports differ from NetworkX"
import json, sys
want, got = (open(name).read().splitlines() for name in sys.argv[1:])
assert len(want) == len(got), "%d reports, %d expected" % (len(got), len(want))
for seed, (a, b) in enumerate(zip(want, got), 1):
    if json.loads(a) != json.loads(b):
        sys.exit("generated/%d.txt: NetworkX says %s\nbut got %s" % (seed, a, b))
PY
else
  echo "SKIP: python3-networkx is not installed; no cross-check against it"
fi

finish resilience_cli
