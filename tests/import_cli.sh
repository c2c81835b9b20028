#!/usr/bin/env bash
# The command line of topoplan-import: exit statuses and messages, standard
# output against -o, the summary, a failed write, and generated networks
# past 40 devices against NetworkX reading the same GraphML (skipped,
# saying why, where NetworkX is missing).
# Usage: import_cli.sh TOPOPLAN_IMPORT TOPOPLAN_RESILIENCE
set -uo pipefail
import=$(realpath "$1")
resilience=$(realpath "$2")
source "$(dirname "$(realpath "$0")")/support/checks.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1

check() {
  local want=$1 text=$2
  shift 2
  run_and_check "$want" "$text" "$import" "$@"
}

cat >ring.graphml <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<graphml xmlns="http://graphml.graphdrawing.org/xmlns">
  <key id="d0" for="node" attr.name="label" attr.type="string"/>
  <key id="d1" for="node" attr.name="Latitude" attr.type="double"/>
  <key id="d2" for="node" attr.name="Longitude" attr.type="double"/>
  <key id="d3" for="edge" attr.name="ms" attr.type="double"/>
  <graph edgedefault="directed">
    <node id="a"><data key="d0">Beijing</data><data key="d1">39.9</data><data key="d2">116.4</data></node>
    <node id="b"><data key="d0">Shanghai</data><data key="d1">31.2</data><data key="d2">121.5</data></node>
    <node id="c"><data key="d0">Hong Kong</data></node>
    <edge source="a" target="b"/>
    <edge source="b" target="c"><data key="d3">2.5</data></edge>
    <edge source="c" target="a"/>
  </graph>
</graphml>
XML
expected='3 3
Beijing Beijing 2 未知
Shanghai Shanghai 2 未知
Hong-Kong Hong_Kong 2 未知
Beijing Shanghai 6
Shanghai Hong-Kong 3
Beijing Hong-Kong 5'
printf '<graphml><graph><node id="a"/><node id="c"/><edge source="a" target="b"/></graph></graphml>' >unknown.graphml
printf '<?xml version="1.0"?><!DOCTYPE l [<!ENTITY a "aaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;">]><graphml><graph><node id="&b;"/></graph></graphml>' >laughs.graphml

check 2 "缺少 GraphML 文件"
check 2 "未知选项：--fast" ring.graphml --fast
check 2 "只能给出一个 GraphML 文件" ring.graphml ring.graphml
check 2 "--latency-key 后须跟一个值" ring.graphml --latency-key
check 2 "--default-latency 须是不小于0的整数（毫秒）：-1" --default-latency -1 ring.graphml
check 2 "-o 只能给出一次" -o a.txt -o b.txt ring.graphml
check 1 "✘ 无法打开文件 missing.graphml 进行读取（没有那个文件或文件夹）！" missing.graphml
check 1 "✘ GraphML 数据错误：第1条边（a → b）中存在未知节点 b！" unknown.graphml
check 1 "DOCTYPE" laughs.graphml
mkfifo pipe.graphml
check 1 "✘ 文件 pipe.graphml 不是普通文件" pipe.graphml
check 1 "没有名为 speed 的边属性" --latency-key speed ring.graphml
check 0 "用法：topoplan-import" --help
check 0 "topoplan-import 1." --version
[ ! -e a.txt ] || fail "a refused command line left a file"

# Standard output: the file's text, and one summary line on standard error.
check 0 "Beijing Shanghai 6" --latency-key ms --default-latency 5 ring.graphml
[ "$(cat out.txt)" = "$expected" ] || fail "the ring came out as: $(cat out.txt)"
[ "$(cat err.txt)" = "✔ 已导入3台设备、3条链路；延迟：取自属性 ms 1条，按经纬度计算1条，默认值5ms 1条；改动代号1个；有向边已按无向链路读取
  Hong-Kong ← Hong Kong" ] ||
  fail "the summary is: $(cat err.txt)"
# -o saves the same bytes, replacing the old file; nothing on standard output.
echo old >ring.txt
"$import" --latency-key ms --default-latency 5 -o ring.txt ring.graphml >out.txt 2>err.txt ||
  fail "-o exited $?: $(cat err.txt)"
[ ! -s out.txt ] || fail "-o also wrote to standard output"
[ "$(cat ring.txt)" = "$expected" ] || fail "-o saved: $(cat ring.txt)"
grep -qF "✔ 已导入3台设备" err.txt || fail "-o gave no summary"
"$resilience" ring.txt >/dev/null || fail "the imported file does not load"
if "$import" ring.graphml >/dev/full 2>err.txt; then
  fail "an import onto /dev/full succeeded"
fi
grep -qF "✘ 无法写出标准输出！" err.txt || fail "no message for a failed write"
mkdir folder
check 1 "✘ 无法打开文件 folder 进行写入（是文件夹）！" -o folder ring.graphml
check 1 "✘ 无法打开文件 ring.graphml/x.txt 进行写入（路径中有一段不是文件夹）！" \
  -o ring.graphml/x.txt ring.graphml
# Past a file-size limit the save fails with the old content kept; the
# program is not killed. (Standard error goes through a pipe, which the
# limit does not cover.)
said=$( (ulimit -f 0 && "$import" -o ring.txt ring.graphml 2>&1; echo "status $?") )
grep -qxF "✘ 写入文件 ring.txt 失败（超出文件大小上限），文件未保存，原有内容保持不变！" <<<"$said" &&
  [ "${said##*$'\n'}" = "status 1" ] || fail "a save past the file-size limit said: $said"
[ "$(cat ring.txt)" = "$expected" ] || fail "a save past the file-size limit changed ring.txt"

# Pipelines, and GraphML read directly: topoplan-resilience gives the
# imported file's report, byte for byte, and the importer's summary,
# whichever way the GraphML comes and whatever latency options it gets.
for latency in "" "--latency-key ms" "--default-latency 7" \
  "--latency-key ms --default-latency 0"; do  # unquoted below
  "$import" $latency ring.graphml >imported.txt 2>summary.txt
  for format in "" --json; do # unquoted below: "" is no argument
    "$resilience" $format imported.txt >want.txt
    while read -r kind way; do
      (eval "$way") >got.txt 2>err.txt || fail "$way exited $?: $(cat err.txt)"
      cmp -s want.txt got.txt || fail "$way ($format $latency) gives another report"
      if [ "$kind" = pipe ]; then
        [ ! -s err.txt ] || fail "$way ($format) said: $(cat err.txt)"
      else
        cmp -s summary.txt err.txt || fail "$way ($format $latency) said: $(cat err.txt)"
      fi
    done <<'WAYS'
pipe "$import" $latency ring.graphml 2>/dev/null | "$resilience" $format -
pipe "$import" $latency - <ring.graphml 2>/dev/null | "$resilience" $format -
file "$resilience" $format $latency ring.graphml
file "$resilience" $format $latency - <ring.graphml
WAYS
  done
done
grep -qxF "⚠ 边上还有未使用的数值属性：ms；要以其中之一为延迟，请给出 --latency-key 属性名" <("$resilience" ring.graphml 2>&1 >/dev/null) ||
  fail "the unused latencies of ring.graphml go unnamed"
check 1 "✘ 文件 标准输入 不是合法的 XML（第1行" - </dev/null
run_and_check 1 "✘ GraphML 数据错误：第1条边（a → b）中存在未知节点 b！" "$resilience" unknown.graphml
printf '<graphml><graph><node id="caf\xe9"/></graph></graphml>' >latin1.graphml
run_and_check 1 "✘ 文件格式错误：第1台设备的代号不是 UTF-8 文本" "$resilience" latin1.graphml
grep -qF "（GraphML 文件 latin1.graphml）" err.txt || fail "latin1.graphml: $(cat err.txt)"
# Nor does the import write what the other commands refuse.
check 1 "✘ 文件格式错误：第1台设备的代号不是 UTF-8 文本" -o latin1.txt latin1.graphml
printf '<?xml version="1.0" encoding="GBK"?><graphml><graph><node id="\xc4\xe3"/></graph></graphml>' >gbk.graphml
check 1 "✘ 文件 gbk.graphml 声明的编码 GBK 不受支持" -o gbk.txt gbk.graphml
[ ! -e latin1.txt ] && [ ! -e gbk.txt ] || fail "a refused import wrote its file"
# A negative latency, as option 9 saves and topoplan-draw exports it, is
# imported with a warning; the N-1 report then refuses it.
printf '<graphml><key id="l" for="edge" attr.name="latency"/><graph><node id="a"/><node id="b"/><edge source="a" target="b"><data key="l">-3</data></edge></graph></graphml>' >negative.graphml
"$import" -o negative.txt negative.graphml 2>err.txt || fail "a negative latency was refused: $(cat err.txt)"
grep -qF "⚠ 其中1条链路的延迟为负" err.txt || fail "no warning of a negative latency: $(cat err.txt)"
run_and_check 1 "负延迟" "$resilience" negative.txt

# A link of INF (32767 ms) or more carries no route: named on import, and
# the chain it would close stays two parts.
printf '<graphml><key id="l" for="edge" attr.name="latency"/><graph><node id="a"/><node id="b"/><node id="c"/><edge source="a" target="b"><data key="l">40000</data></edge><edge source="b" target="c"><data key="l">32766</data></edge></graph></graphml>' >long.graphml
"$import" -o long.txt long.graphml 2>err.txt || fail "a long link was refused: $(cat err.txt)"
grep -qF "⚠ 链路 a ── b 的延迟为 40000ms（32767ms 及以上）" err.txt || fail "no warning of a long link: $(cat err.txt)"
[ "$(grep -c "⚠ 链路" err.txt)" -eq 1 ] || fail "a link under INF was named: $(cat err.txt)"
run_and_check 0 "连通分区 2 个" "$resilience" long.txt

# Terminal control from a file or a name reaches standard error escaped,
# from both readers: ESC as \x1B, C1 (here U+009B) as \u009B.
esc=$'\e'
c1=$'\xc2\x9b'
printf '<graphml><graph><node id="a%s]0;t"/><node id="a%s]0;t"/></graph></graphml>' "$esc" "$esc" >dup.graphml
printf '<graphml><graph><node id="a"/><edge source="a" target="%s[2J"/></graph></graphml>' "$esc" >end.graphml
printf '<graphml><key id="l" for="edge" attr.name="latency"/><graph><node id="a"/><node id="b"/><edge source="a" target="b"><data key="l">%s]52;c;eA==</data></edge></graph></graphml>' "$esc" >latency.graphml
printf '<r%s2J/>' "$c1" >root.graphml
while read -r file shown; do
  for command in "$import" "$resilience"; do
    "$command" "$file" >/dev/null 2>err.txt
    if grep -qF -e "$esc" -e "$c1" err.txt || ! grep -qF -- "$shown" err.txt; then
      fail "$(basename "$command") $file said: $(od -c err.txt | head -3)"
    fi
  done
done <<LIST
dup.graphml a\\x1B]0;t
end.graphml \\x1B[2J
latency.graphml \\x1B]52;c;eA==
root.graphml r\\u009B2J
missing${esc}[2J.graphml missing\\x1B[2J.graphml
LIST

if python3 -c 'import networkx' 2>/dev/null; then
  python3 - "$import" <<'PY' || fail "the imports differ from NetworkX"
import math, random, subprocess, sys
import networkx as nx

def great_circle(a, b):
    (la1, lo1), (la2, lo2) = a, b
    p1, p2 = math.radians(la1), math.radians(la2)
    h = (math.sin((p2 - p1) / 2) ** 2 + math.cos(p1) * math.cos(p2)
         * math.sin(math.radians(lo2 - lo1) / 2) ** 2)
    return max(1, math.ceil(6371 * 2 * math.asin(min(1, math.sqrt(h))) / 200))

for seed in range(40):
    rng = random.Random(seed)
    n = rng.randint(41, 400)
    g = nx.MultiGraph()
    for i in range(n):
        attributes = {"label": "城市%d" % rng.randint(0, n)}  # some repeat
        if rng.random() < 0.8:
            attributes["Latitude"] = rng.uniform(-60, 70)
            attributes["Longitude"] = rng.uniform(-180, 180)
        g.add_node("n%d" % i, **attributes)
    for i in range(1, n):  # a tree, then chords, parallels and self-loops
        g.add_edge("n%d" % i, "n%d" % rng.randrange(i))
    for _ in range(rng.randint(0, n)):
        a = rng.randrange(n)
        g.add_edge("n%d" % a, "n%d" % (a if rng.random() < 0.05 else rng.randrange(n)))
    nx.write_graphml(g, "gen.graphml")
    text = subprocess.run([sys.argv[1], "gen.graphml"], capture_output=True,
                          text=True, check=True).stdout.splitlines()
    h = nx.read_graphml("gen.graphml", force_multigraph=True)
    nodes = list(h.nodes)
    index = {node: i for i, node in enumerate(nodes)}
    devices = [line.split() for line in text[1:1 + len(nodes)]]
    links = [line.split() for line in text[1 + len(nodes):]]
    assert text[0] == "%d %d" % (len(nodes), h.number_of_edges()), seed
    codes = [d[0] for d in devices]
    assert len(set(codes)) == len(codes), seed
    seen = set()
    for node, device in zip(nodes, devices):
        label = h.nodes[node]["label"]
        assert device[0] == (label if label not in seen else device[0]), seed
        assert device[0].startswith(label), seed
        seen.add(label)
        assert int(device[2]) == max(1, h.degree(node)), (seed, node)
    place = {v: (d["Latitude"], d["Longitude"]) for v, d in h.nodes(data=True)
             if "Latitude" in d}
    want = []
    for u, v in h.edges():
        a, b = sorted((index[u], index[v]))
        latency = (great_circle(place[u], place[v])
                   if u in place and v in place else 1)
        want.append((codes[a], codes[b], latency))
    got = [(a, b, int(latency)) for a, b, latency in links]
    assert sorted(got) == sorted(want), seed
print("40 generated networks agree with NetworkX")
PY
else
  echo "SKIP: the NetworkX comparison (python3-networkx is not installed)"
fi

finish import_cli
