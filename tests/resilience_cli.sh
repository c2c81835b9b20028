#!/usr/bin/env bash
# The command line of topoplan-resilience: exit statuses and messages, the
# built-in network's figures in text and JSON, a failed write, and the
# whole JSON report against the NetworkX reference on generated topologies
# (skipped, saying why, where NetworkX is missing).
# Usage: resilience_cli.sh TOPOPLAN_RESILIENCE CAMPUS_FILE [FAILING]
# FAILING is the program built to refuse the N-th allocation; with it,
# running out of memory is checked too.
set -uo pipefail
resilience=$(realpath "$1")
campus=$(realpath "$2")
failing=${3:+$(realpath "$3")}
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
check 1 "✘ 无法打开文件 missing.txt 进行读取（没有那个文件或文件夹）！" missing.txt
check 1 "✘ 文件数据不合法：设备数=0，链路数=0" empty.txt
check 1 "✘ 拓扑中存在负延迟链路，无法计算最短路径！" negative.txt
check 1 "✘ 拓扑中存在负延迟链路，无法计算最短路径！" negative_twin.txt
check 0 "用法：topoplan-resilience" --help
check 0 "topoplan-resilience 1." --version

# The built-in network: CR and the link CR-FW cut off the firewall; the
# link, which keeps CR, loses one pair more and comes first.
check 0 "⚠ 设备 CR：故障后切断 FW（1 台，断开 6 对）" "$campus"
grep -A2 -F "单点故障共 2 处" out.txt >points.txt
diff - points.txt <<'EOF' || fail "the campus's single points are not by impact"
单点故障共 2 处（影响大的在前）：
⚠ 链路 CR ── FW（2ms）：故障后切断 FW（1 台，断开 7 对）
⚠ 设备 CR：故障后切断 FW（1 台，断开 6 对）
EOF
# Scenarios by impact, each in the same four lines; all 18 fit within the
# first 20, so nothing is left out.
grep -A9 -F "（前 → 后）" out.txt | tail -n +3 >first.txt
diff - first.txt <<'EOF' || fail "the campus's scenarios are not by impact"
  链路 CR ── FW（2ms）
      连通分区 2 个，断开 7 对，变慢 0 对
      最大变慢：—
      切断：FW（1 台）
  设备 CR
      连通分区 2 个，断开 6 对，变慢 0 对
      最大变慢：—
      切断：FW（1 台）
EOF
[ "$(grep -c '^  [设链]' out.txt)" = 18 ] || fail "the campus lists not 18 scenarios"
grep -qF -- "--all" out.txt && fail "the campus report offers --all with nothing left out"
check 0 "最大变慢：CR ↔ AR-T 8ms → 38ms" "$campus" --fail-device DR-A
grep -qF "切断：无" out.txt || fail "a scenario that cuts nothing off does not say so"
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
    "lost_pairs": 6, "slower_pairs": 0, "worst": None, "cut_off": ["FW"]}
assert all(s["cut_off"] == [] for s in report["scenarios"]
           if s["failed"] not in ({"devices": ["CR"], "links": []},
                                  {"devices": [], "links": [["CR", "FW", 2]]}))
assert list(report) == ["devices", "links", "parts", "cut_devices", "cut_links",
                        "single_points", "scenarios", "route"]
assert report["single_points"] == [
    {"failed": {"devices": [], "links": [["CR", "FW", 2]]}, "cut_off": ["FW"],
     "lost_pairs": 7},
    {"failed": {"devices": ["CR"], "links": []}, "cut_off": ["FW"],
     "lost_pairs": 6}]
PY

# A chain of 30 devices: 59 scenarios, the first 20 by impact and a line
# for the other 39; --all lists them all, still by impact.
{
  echo "30 29"
  for i in $(seq 0 29); do echo "C$i c 2 x"; done
  for i in $(seq 1 29); do echo "C$((i - 1)) C$i 1"; done
} >chain.txt
check 0 "……另有 39 个场景未列出，加 --all 列出全部" chain.txt
[ "$(grep -c '^  [设链]' out.txt)" = 20 ] || fail "not 20 scenarios listed"
# The middle of the chain loses the most: the link C14-C15 (15 * 15 = 225
# pairs), then C13-C14 and C15-C16 (14 * 16 = 224 each, in N-1 order).
grep -m3 '^  [设链]' out.txt | tr -d ' ' | paste -sd, - >top.txt
[ "$(cat top.txt)" = "链路C14──C15（1ms）,链路C13──C14（1ms）,链路C15──C16（1ms）" ] ||
  fail "the chain's largest impacts do not come first: $(cat top.txt)"
check 0 "链路 C0 ── C1（1ms）" chain.txt --all
[ "$(grep -c '^  [设链]' out.txt)" = 59 ] || fail "--all does not list all 59"
grep -qF "未列出" out.txt && fail "--all still says some are left out"
"$resilience" --json --all chain.txt >chain.json || fail "--json --all exited $?"
python3 - chain.json <<'PY' || fail "the chain's JSON is not in N-1 order"
import json, sys
report = json.load(open(sys.argv[1]))
assert [s["failed"]["devices"] for s in report["scenarios"][:30]] == \
    [["C%d" % i] for i in range(30)]
# 28 cut devices and 29 bridges; the bridge in the middle first, which
# keeps the half with C0.
assert len(report["single_points"]) == 57
assert report["single_points"][0]["failed"]["links"] == [["C14", "C15", 1]]
assert report["single_points"][0]["lost_pairs"] == 225
assert report["single_points"][0]["cut_off"] == ["C%d" % i for i in range(15, 30)]
PY

# Standard input, and the checks the menu leaves out: the report of the
# campus is the same read as "-", with CR LF, or behind a byte order mark.
"$resilience" "$campus" >want.txt
sed 's/$/\r/' "$campus" >crlf.txt
{ printf '\xEF\xBB\xBF'; cat "$campus"; } >bom.txt
bom="开头的 UTF-8 字节顺序标记（BOM）已跳过；拓扑文件不需要它，可用 sed -i '1s/^\xEF\xBB\xBF//' 文件名 去掉。"
# input|argument|warning (empty for none)
while IFS='|' read -r input argument warning; do
  "$resilience" "$argument" <"$input" >out.txt 2>err.txt || fail "$argument <$input exited $?"
  cmp -s want.txt out.txt || fail "$argument <$input gave another report"
  [ "$(cat err.txt)" = "$warning" ] || fail "$argument <$input warned: $(cat err.txt)"
done <<TABLE
$campus|-|
crlf.txt|crlf.txt|
bom.txt|bom.txt|⚠ bom.txt $bom
bom.txt|-|⚠ 标准输入 $bom
TABLE
# A header left at "8 9" after a link was added: the warning names the
# last line read, and the run goes on without the link.
{ echo "8 9"; tail -n +2 "$campus"; } >stale.txt
check 0 "设备 8 台，链路 9 条" stale.txt
grep -qxF "⚠ stale.txt 第18行之后还有内容，未读取：文件头的设备数或链路数可能没有随内容更新，请核对。" err.txt ||
  fail "no warning for a stale header: $(cat err.txt)"
# Endless text after the last record is not read to its end.
{ cat "$campus"; yes; } | timeout 10 "$resilience" - >out.txt 2>err.txt
status=${PIPESTATUS[1]}
[ "$status" -eq 0 ] || fail "text after the last record on a pipe: exit $status"
grep -qF "⚠ 标准输入 第19行之后还有内容" err.txt || fail "no warning on a pipe: $(cat err.txt)"
iconv -f UTF-8 -t GBK "$campus" >gbk.txt
check 1 "✘ 文件格式错误：第1台设备的描述不是 UTF-8 文本（文件可能是 GBK 等其他编码保存的，请先转换为 UTF-8，如 iconv -f GBK -t UTF-8）！（gbk.txt 第2行）" gbk.txt
check 1 "✘ 文件数据不合法：设备数=0，链路数=0（empty.txt 第1行）" empty.txt
check 1 "✘ 文件格式错误：无法读取设备数和链路数！（标准输入 第1行）" - </dev/null
check 1 "✘ 文件格式错误：第1台设备信息读取失败！（标准输入 第1行）" - <<<"9 0"
check 1 "✘ 文件格式错误：无法读取设备数和链路数！（标准输入 第1行）" - <&-
check 1 "✘ 读取文件 标准输入 时出错（是文件夹），加载失败！" - </
# More blank lines than the format is told from still make a topology file.
{ head -c 70000 /dev/zero | tr '\0' '\n'; cat "$campus"; } >blank.txt
"$resilience" - <blank.txt >out.txt 2>err.txt || fail "blank.txt: $(cat err.txt)"
cmp -s want.txt out.txt || fail "blank.txt gave another report"
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
# Past a file-size limit the write fails; the program is not killed.
(ulimit -f 1 && exec "$resilience" "$campus") >limited.txt 2>err.txt
status=$?
[ "$status" -eq 1 ] || fail "a report past the file-size limit exited $status, not 1"
grep -qxF "✘ 无法写出标准输出！" err.txt || fail "past the file-size limit: $(cat err.txt)"

# Out of memory at any point: the one message and status 1, or a report.
if [ -n "$failing" ]; then
  "$resilience" --fail-device DR-A "$campus" >whole.txt
  for n in $(seq 1 23 2000); do
    TOPOPLAN_FAIL_ALLOCATION=$n "$failing" --fail-device DR-A "$campus" >out.txt 2>err.txt
    status=$?
    grep -qx "allocation $n refused" err.txt || break
    # A refused spare buffer (a stable sort's) only costs time.
    if [ "$status" -eq 0 ] && cmp -s out.txt whole.txt; then continue; fi
    [ "$status" -eq 1 ] && [ "$(tail -n 1 err.txt)" = "✘ 内存不足，程序已终止。" ] ||
      fail "allocation $n refused: exited $status: $(cat err.txt)"
  done
  [ "$n" -gt 1 ] || fail "the first allocation was never refused"
  [ "$status" -eq 0 ] || fail "with allocation $n refused, no report: $(cat err.txt)"
fi

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

# Devices by their labels and GraphML node ids. Two sites share a label:
#   Sydney 4208 ── Perth 4167 ── Perth 4168, and Perth 4167 ── Alice Springs (x2)
cat >names.graphml <<'XML'
<graphml><key id="l" for="node" attr.name="label"/>
<key id="d" for="edge" attr.name="delay"/><graph>
<node id="n0"><data key="l">Sydney, Australia4208</data></node>
<node id="n1"><data key="l">Perth,+Australia4167</data></node>
<node id="n2"><data key="l">Perth,+Australia4168</data></node>
<node id="n3"><data key="l">Alice Springs</data></node>
<node id="n4"><data key="l">Alice Springs</data></node>
<edge source="n0" target="n1"><data key="d">2385</data></edge>
<edge source="n1" target="n2"><data key="d">7</data></edge>
<edge source="n1" target="n3"><data key="d">1</data></edge>
<edge source="n1" target="n4"><data key="d">1</data></edge>
</graph></graphml>
XML
while IFS='|' read -r want text args; do
  eval "check $want \"$text\" names.graphml --latency-key delay $args"
done <<'CASES'
0|最优路由（2392ms）：Sydney,-Austra~4208 → Perth,+Austral~4167 →|--route 'Sydney, Australia4208' 'Perth,+Australia4168'
0|最优路由（2392ms）：Sydney,-Austra~4208 → Perth,+Austral~4167 →|--route Sydney,_Australia4208 n2
0|最优路由（7ms）|--route Perth,+Austral~4167 n2
0|  链路 Sydney,-Austra~4208 ── Perth,+Austral~4167|--fail-link n0 'Perth,+Australia4167'
0|  设备 Perth,+Austral~4167|--fail-device n1
0|  设备 Alice-Springs-2|--fail-device n4
2|✘ 设备名 Alice Springs 不唯一，可能是：Alice-Springs（Alice_Springs）、Alice-Springs-2（Alice_Springs）|--fail-device 'Alice Springs'
2|✘ 设备名 Alice_Springs 不唯一|--route n0 Alice_Springs
2|✘ 未找到设备：n9|--fail-link n0 n9
CASES

# The report a planner reads first: the route right after the totals; the
# lone links of single-homed sites summed up after the points that cut more.
#   HUB2 ── S0, and HUB to HUB2 and to each of S0 … S10
{
  echo "13 13"
  echo "HUB h 9 x"
  echo "HUB2 h 9 x"
  for ((i = 0; i < 11; i++)); do echo "S$i s 1 x"; done
  echo "HUB HUB2 1"
  echo "HUB2 S0 3"
  for ((i = 0; i < 11; i++)); do echo "HUB S$i $((i + 1))"; done
} >star.txt
"$resilience" star.txt --route S3 S4 | sed -n 5,13p >got.txt
diff - got.txt <<'EOF' || fail "the star's report is out of order"
========== 路由 S3 → S4 ==========
最优路由（9ms）：S3 → HUB → S4
备用路由：无（没有不与最优路由共用链路的路由）

单点故障共 11 处（影响大的在前）：
⚠ 设备 HUB：故障后切断 S1、S2、S3、S4、S5、S6、S7、S8、S9 等 10 台（断开 65 对）
⚠ 另 10 处各只切断一台单归属设备（只有一条链路），共断开 120 对：S10、S9、S8、
    S7、S6 等 10 台

EOF
"$resilience" star.txt --json | python3 -c '
import json, sys
assert len(json.load(sys.stdin)["single_points"]) == 11' ||
  fail "the JSON report does not keep every single point"

# A reader that goes away ends the report quietly, as SIGPIPE would.
{
  echo "3000 2999"
  for ((i = 0; i < 3000; i++)); do echo "D$i d 1 x"; done
  for ((i = 1; i < 3000; i++)); do echo "D$((i - 1)) D$i 1"; done
} >chain.txt
for args in "--all" "--all --json"; do # unquoted below
  "$resilience" $args chain.txt 2>err.txt | head -c 10 >/dev/null
  status=${PIPESTATUS[0]}
  [ "$status" -eq 141 ] && [ ! -s err.txt ] ||
    fail "$args into a closed pipe: status $status, said $(cat err.txt)"
done

finish resilience_cli
