#!/usr/bin/env bash
# The command line of topoplan-draw: exit statuses and messages for bad
# arguments, refused files and unknown devices, no output file left behind
# by a failure, and real renderings that name every device.
# Usage: draw_cli.sh TOPOPLAN_DRAW TOPOPLAN TOPOPLAN_IMPORT
set -uo pipefail
draw=$(realpath "$1")
topoplan=$(realpath "$2")
import=$(realpath "$3")
scratch=$(mktemp -d)
fakes=$(mktemp -d)  # stand-ins for dot, one folder each
trap 'rm -rf "$scratch" "$fakes"' EXIT
cd "$scratch" || exit 1
source "$(dirname "$(realpath "$0")")/support/checks.sh"

# check STATUS TEXT ARGS...: topoplan-draw ARGS, as run_and_check checks
# it, with dot found along DRAW_PATH where a test sets it.
check() {
  local want=$1 text=$2
  shift 2
  run_and_check "$want" "$text" env PATH="${DRAW_PATH:-$PATH}" "$draw" "$@"
}

printf '1 9 campus.txt 0\n' | "$topoplan" >/dev/null
printf '0 0\n' >empty.txt
printf '2 1\nA a 1 x\nB b 1 y\nA Q 3\n' >unknown.txt
printf '2 1\nA a 1 x\nB b 1 y\nA B -3\n' >negative.txt
printf '2 0\nA a 1 x\nB b 1 y\n' >apart.txt
# A-B 3, then a negative twin A-B -3 the matrix never holds: every picture
# the failure analyses compute refuses it alike; a plan takes it.
printf '3 3\nA a 1 x\nB b 1 y\nC c 1 z\nA B 3\nA B -3\nB C 1\n' >twin.txt
printf '3 3\nA a 1 x\nB b 1 y\nC c 1 z\nA B 3\nB C 1\nC A 2\n' >ring.txt

check 2 "缺少拓扑文件"
check 2 "未知选项：--frob" --frob campus.txt
check 2 "只能给出一个拓扑文件" campus.txt campus.txt
check 2 "--plan 后须跟 prim 或 kruskal" --plan dijkstra campus.txt
check 2 "--route 后须跟起点和终点两个设备代号" campus.txt --route CR
check 2 "只能选用其一" --plan prim --route CR SV campus.txt
check 2 "输出文件名须以 .svg、.png、.html 或 .graphml 结尾：out.jpg" -o out.jpg campus.txt
check 2 "-o 后须跟输出文件名" campus.txt -o
check 1 "✘ 无法打开文件 missing.txt 进行读取（没有那个文件或文件夹）！" -o out.svg missing.txt
check 1 "✘ 文件数据不合法：设备数=0，链路数=0" -o out.svg empty.txt
check 1 "✘ 文件数据错误：链路 A-Q 中存在未知设备！（unknown.txt 第4行）" -o out.png unknown.txt
check 2 "✘ 未找到设备：XX" --route CR XX -o out.svg campus.txt
check 1 "✘ 拓扑中存在负延迟链路" --route A B -o out.svg negative.txt
for refused in "--route A C" "--route A C --fail-link B C" "--fail-device C" "--risks"; do
  # shellcheck disable=SC2086  # the options are several words
  check 1 "✘ 拓扑中存在负延迟链路" $refused twin.txt
done
check 0 "MST总延迟：-2ms" --plan kruskal twin.txt
check 0 "没有单点故障：任何一台设备或一条链路单独故障，都不会使网络分裂。" --risks ring.txt
DRAW_PATH=/nonexistent check 1 "✘ 无法启动 Graphviz 的 dot 命令" -o out.svg campus.txt
check 2 "--timeout 后须跟 0 到 86400 之间的整秒数" --timeout x -o out.svg campus.txt
check 2 "--timeout 只用于 -o 的渲染" --timeout 5 campus.txt

# A dot that hangs, and one that ends without a word.
mkdir "$fakes/hang" "$fakes/mute"
printf '#!/bin/sh\nexec /bin/sleep 30\n' >"$fakes/hang/dot"
printf '#!/bin/sh\nexec /bin/cat >/dev/null\n' >"$fakes/mute/dot"
chmod +x "$fakes/hang/dot" "$fakes/mute/dot"
started=$SECONDS
DRAW_PATH=$fakes/hang check 1 "✘ Graphviz 的 dot 命令在1秒内未完成渲染，已终止，未写出任何文件！" \
  --timeout 1 -o out.svg campus.txt
[ $((SECONDS - started)) -le 5 ] || fail "a hanging dot was waited for $((SECONDS - started)) s"
DRAW_PATH=$fakes/mute check 1 "✘ Graphviz 的 dot 命令没有输出任何内容，未写出任何文件！" \
  -o out.svg campus.txt

# Standard input, and GraphML read directly: the same drawing as the file
# it stands for, the GraphML's being that of the file imported from it.
cat >ring.graphml <<'XML'
<graphml><key id="n" for="node" attr.name="label"/><graph>
<node id="a"><data key="n">CR</data></node><node id="b"><data key="n">DR-A</data></node>
<node id="c"/><edge source="a" target="b"/><edge source="b" target="c"/></graph></graphml>
XML
"$import" ring.graphml >ring.txt 2>/dev/null
for arguments in "campus.txt|- <campus.txt" "ring.txt|ring.graphml" "ring.txt|- <ring.graphml"; do
  "$draw" --plan prim ${arguments%|*} >want.dot
  eval '"$draw" --plan prim '"${arguments#*|}" >got.dot 2>err.txt ||
    fail "${arguments#*|} exited $?: $(cat err.txt)"
  cmp -s want.dot got.dot || fail "${arguments#*|} is drawn unlike ${arguments%|*}"
done
grep -qF 'label="DR-A' got.dot || fail "the GraphML drawing lacks DR-A"
rm want.dot got.dot ring.graphml
check 1 "✘ 文件格式错误：无法读取设备数和链路数！（标准输入 第1行）" - </dev/null

# Special files are refused at once, as topology and as output.
mkfifo fifo.txt fifo.svg
check 1 "✘ 文件 fifo.txt 不是普通文件（如设备、管道、套接字），未读取任何内容！" fifo.txt
check 1 "✘ 文件 fifo.svg 不是普通文件或 /dev/null（如设备、管道、套接字），未写入任何内容！" \
  -o fifo.svg campus.txt

check 0 "--route 起点 终点" --help
check 0 "从 A 到 B 不可达（无连通路径）！" --route A B apart.txt
check 0 "d0 -- d1" --plan kruskal -- campus.txt
check 2 "只能选用其一" --risks --fail-device CR campus.txt
check 2 "--fail-link 后须跟两个设备代号" campus.txt --fail-link CR
check 2 "✘ 未找到设备：cr" --fail-device cr -o out.svg campus.txt
check 2 "✘ 链路不存在：CR ── SV" --fail-link CR SV -o out.svg campus.txt
check 1 "✘ 拓扑中存在负延迟链路" --fail-device A -o out.svg negative.txt
# The campus network's one cut device and one cut link, in orange.
check 0 'd0 -- d7 [label=<<table border="0" cellpadding="1" bgcolor="white"><tr><td><font color="#e69138">2ms</font></td></tr></table>>, color="#e69138"' --risks campus.txt
grep -qF '⚠ 设备 CR：故障后切断 FW' out.txt || fail "--risks has no legend"
# DR-B and CR-FW down: FW is cut off and shaded, the links dashed grey.
check 0 '故障后连通分区 2 个，断开 6 对，变慢 5 对' --fail-device DR-B --fail-link FW CR campus.txt
grep -qF 'd7 [label="FW\n防火墙，安全策略控制与入侵检测", fillcolor="#fce5cd", fillcolor="#999999"]' out.txt ||
  fail "the cut-off firewall is not shaded"
grep -qF 'd0 -- d7 [label="2ms", style=dashed, color=gray70' out.txt ||
  fail "the failed link is not dashed grey"

# Layouts: asked by name, refused otherwise; a map needs coordinates,
# which a topology file never has.
check 2 "--layout 后须跟 layers、geo 或 force" --layout map campus.txt
check 2 "--layout 只能给出一次" --layout force --layout layers campus.txt
check 1 "✘ 拓扑中没有设备坐标，无法按坐标绘图（--layout geo）！" --layout geo -o out.svg campus.txt
check 0 "layout=sfdp" --layout force campus.txt
# The full mesh of 40 devices, drawn by default and in rows, without a
# word from Graphviz.
awk 'BEGIN { n = 40; print n, n * (n - 1) / 2
  for (i = 1; i <= n; i++) print "N" i, "mesh", 4, "24h"
  for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) print "N" i, "N" j, (i * 7 + j) % 50 + 1 }' >mesh.txt
for layout in "" "--layout layers"; do
  # shellcheck disable=SC2086  # the layout is two words or none
  "$draw" $layout -o mesh.svg mesh.txt 2>err.txt || fail "mesh $layout: $(cat err.txt)"
  [ -s err.txt ] && fail "Graphviz warned on the mesh $layout: $(cat err.txt)"
  grep -q '<svg' mesh.svg || fail "mesh.svg ($layout) is no SVG"
done
rm -f mesh.svg

# A plan or a route of the network that survives, as topoplan-resilience
# finds the route: DR-B down leaves AR-D only its line to SV.
check 0 '故障后的剩余网络（故障：设备 DR-B）\n最优路径：AR-D → SV' \
  --route AR-D SV --fail-device DR-B campus.txt
marked=$(grep -F 'color="#cc0000", penwidth=3' out.txt | grep -F -- ' -- ' | sed 's/^  \(d[0-9]* -- d[0-9]*\).*/\1/' | tr '\n' ' ')
[ "$marked" = "d5 -- d6 " ] || fail "the surviving route marks $marked"
resilience=$(dirname "$draw")/topoplan-resilience
if [ -x "$resilience" ]; then
  "$resilience" campus.txt --fail-device DR-B --route AR-D SV | grep -qF '最优路由' ||
    fail "topoplan-resilience gives no route"
  "$resilience" campus.txt --fail-device DR-B --route AR-D SV | grep -F '最优路由' | grep -qF 'AR-D → SV' ||
    fail "topoplan-resilience's route differs from the drawing's"
fi
check 0 '光纤骨干网布线方案（Kruskal算法）\nMST总延迟：40ms' --fail-link CR DR-B --fail-device DR-B --plan kruskal campus.txt
check 2 "只能选用其一" --fail-device CR --risks campus.txt
check 2 "✘ 未找到设备：XX" --route CR XX --fail-device DR-B campus.txt
check 2 "✘ 未找到设备：ZZ" --plan prim --fail-device ZZ campus.txt

# GraphML out: the topology, its marks, and back to the same file.
importer=$(dirname "$draw")/topoplan-import
"$draw" --risks -o campus.graphml campus.txt || fail "GraphML output failed"
xmllint --noout campus.graphml || fail "campus.graphml is not well-formed"
grep -qF '<data key="risk_node">true</data>' campus.graphml || fail "campus.graphml lacks the risks"
if [ -x "$importer" ]; then
  for overlay in "" "--plan prim" "--route AR-D SV --fail-link CR FW"; do
    # shellcheck disable=SC2086  # the overlay is words or none
    "$draw" $overlay -o back.graphml campus.txt || fail "GraphML output ($overlay) failed"
    "$importer" back.graphml >back.txt 2>/dev/null || fail "import of back.graphml ($overlay) failed"
    cmp -s back.txt campus.txt || fail "GraphML ($overlay) does not import back to campus.txt"
  done
  grep -qF '<data key="failed_edge">true</data>' back.graphml || fail "back.graphml lacks the failed link"
  grep -qF '<data key="route_node">true</data>' back.graphml || fail "back.graphml lacks the route"
fi
rm -f campus.graphml back.graphml back.txt

# The page refuses as the pictures do; a build without the page engine
# refuses every page, saying what is missing.
"$draw" -o probe.html apart.txt 2>/dev/null && engine=yes || engine=no
rm -f probe.html
if [ "$engine" = yes ]; then
  check 1 "✘ 文件数据不合法：设备数=0，链路数=0" -o out.html empty.txt
  check 2 "✘ 未找到设备：XX" --route CR XX -o out.html campus.txt
  check 2 "✘ 链路不存在：AR-D ── CR" --fail-link AR-D CR -o out.html campus.txt
  DRAW_PATH=/nonexistent check 1 "✘ 无法启动 Graphviz 的 dot 命令" -o out.html campus.txt
else
  check 1 "✘ 本程序构建时没有带上网页分析引擎（需要 emscripten）" -o out.html campus.txt
fi

leftovers=$(ls -A | grep -v -e '\.txt$' -e '^fifo.svg$')
[ -z "$leftovers" ] || fail "failures left files behind: $leftovers"

# Real renderings: a well-formed SVG that names every device, and a PNG.
"$draw" --plan prim -o campus.svg campus.txt || fail "SVG rendering failed"
texts=$(xmllint --xpath '//*[local-name()="text"]/text()' campus.svg) ||
  fail "campus.svg is not well-formed XML"
for code in $(sed -n '2,9p' campus.txt | cut -d' ' -f1); do
  grep -qxF "$code" <<<"$texts" || fail "campus.svg does not name $code"
done
"$draw" --route AR-D SV -o campus.png campus.txt || fail "PNG rendering failed"
# With standard input and output closed, the pipes to dot must not land
# on descriptors 0 and 1.
"$draw" -o closed.svg campus.txt <&- >&- || fail "rendering with closed stdin and stdout failed"
grep -q '<svg' closed.svg || fail "closed.svg is no SVG"
rm -f closed.svg fifo.svg
[ "$(head -c 4 campus.png | tail -c 3)" = PNG ] || fail "campus.png is no PNG"
pictures=2
if [ "$engine" = yes ]; then
  # The page: the drawing inline with every device and link addressable,
  # the route it opens with, and no XML prologue inside the HTML.
  "$draw" --route AR-D SV -o campus.html campus.txt || fail "page rendering failed"
  for part in 'id="device7"' 'id="link9"' '"route":["AR-D","SV"]' 'createTopoplanEngine'; do
    grep -qF "$part" campus.html || fail "campus.html lacks $part"
  done
  grep -q '<?xml' campus.html && fail "campus.html holds an XML prologue"
  "$draw" --fail-link CR FW --fail-device DR-A -o failed.html campus.txt ||
    fail "scenario page rendering failed"
  grep -qF '"failed":{"devices":["DR-A"],"links":[["CR","FW"]]}' failed.html ||
    fail "failed.html does not open with the failures"
  "$draw" --plan kruskal --fail-device DR-A -o failed.html campus.txt ||
    fail "page of a plan under a failure failed"
  grep -qF '"initial":{"failed":{"devices":["DR-A"],"links":[]},"plan":"kruskal"}' failed.html ||
    fail "failed.html does not open with the plan under the failure"
  # The file's name is the page's title, as text.
  cp campus.txt 'R&D <"lab">.txt'
  "$draw" -o title.html 'R&D <"lab">.txt' || fail "page of an odd file name failed"
  grep -qF '<title>网络拓扑：R&amp;D &lt;&quot;lab&quot;&gt;.txt</title>' title.html ||
    fail "title.html does not show its file name as text"
  # A code that would end or derail the data's <script> goes escaped.
  printf '2 1\n<!--<script> a 1 x\nB b 1 x\n<!--<script> B 3\n' >script.txt
  "$draw" --route '<!--<script>' B -o script.html script.txt || fail "page of a script code failed"
  grep -qF '"route":["\u003c!--\u003cscript\u003e","B"]' script.html &&
    ! grep -qF '<!--<script>' script.html || fail "script.html holds the code raw"
  # A page of standard input holds the network it read, as the file would.
  "$draw" -o piped.html - <campus.txt || fail "page of standard input failed"
  grep -qF '<title>网络拓扑：标准输入</title>' piped.html || fail "piped.html has another title"
  [ "$(grep -c "$(base64 -w0 campus.txt)" piped.html)" -eq 1 ] ||
    fail "piped.html does not hold the network read"
  pictures=7
fi
[ "$(ls -A | grep -c -v -e '\.txt$')" -eq "$pictures" ] || fail "stray files: $(ls -A)"

# With no Chinese font a PNG is still written, with a warning naming the
# package; an SVG leaves its fonts to the viewer and gets none.
mkdir nofont
printf '#!/bin/sh\nexit 0\n' >nofont/fc-list
chmod +x nofont/fc-list
ln -s "$(command -v dot)" nofont/dot
PATH="$PWD/nofont" "$draw" -o bare.png campus.txt 2>err.txt ||
  fail "a PNG without a Chinese font failed: $(cat err.txt)"
[ -s bare.png ] || fail "a PNG without a Chinese font was not written"
grep -q "fonts-wqy-microhei" err.txt || fail "no warning without a Chinese font: $(cat err.txt)"
PATH="$PWD/nofont" "$draw" -o bare.svg campus.txt 2>err.txt ||
  fail "an SVG without a Chinese font failed: $(cat err.txt)"
[ -s err.txt ] && fail "an SVG without a Chinese font got a warning: $(cat err.txt)"
"$draw" -o fonts.png campus.txt 2>err.txt
[ -s err.txt ] && fail "a PNG got a warning although fc-list finds a Chinese font: $(cat err.txt)"

# What every command does alike: output names matched without regard to
# case, the system's reason for an output that cannot be written, and a
# file-size limit that fails the save, old content kept, instead of
# killing the program.
"$draw" -o UPPER.PNG campus.txt 2>err.txt || fail "-o UPPER.PNG was refused: $(cat err.txt)"
[ "$(head -c 4 UPPER.PNG | tail -c 3)" = PNG ] || fail "UPPER.PNG is no PNG"
"$draw" -o Mixed.Svg campus.txt 2>err.txt || fail "-o Mixed.Svg was refused: $(cat err.txt)"
grep -q '<svg' Mixed.Svg || fail "Mixed.Svg is no SVG"
check 1 "✘ 无法打开文件 /nonexistent/x.svg 进行写入（没有那个文件或文件夹）！" \
  -o /nonexistent/x.svg campus.txt
check 1 "✘ 无法打开文件 campus.txt/x.svg 进行写入（路径中有一段不是文件夹）！" \
  -o campus.txt/x.svg campus.txt
check 1 "✘ 无法打开文件 nofont 进行读取（是文件夹）！" nofont
printf 'old\n' >limited.svg
(ulimit -f 1 && exec "$draw" -o limited.svg campus.txt) 2>err.txt
status=$?
[ "$status" -eq 1 ] || fail "a save past the file-size limit exited $status, not 1"
grep -qxF "✘ 写入文件 limited.svg 失败（超出文件大小上限），文件未保存，原有内容保持不变！" err.txt ||
  fail "a save past the file-size limit said: $(cat err.txt)"
[ "$(cat limited.svg)" = old ] || fail "a save past the file-size limit lost the old content"

# dot's children end with it at the deadline, even one that holds our
# standard error open; a flood of output is cut off at 256 MiB, and no
# file is left by either.
mkdir "$fakes/forks" "$fakes/flood"
printf '#!/bin/sh\n/bin/sleep 30 &\nexec /bin/sleep 30\n' >"$fakes/forks/dot"
printf '#!/bin/sh\nexec /usr/bin/yes\n' >"$fakes/flood/dot"
chmod +x "$fakes/forks/dot" "$fakes/flood/dot"
started=$SECONDS
said=$(PATH=$fakes/forks "$draw" --timeout 1 -o forks.svg campus.txt 2>&1)
[ $((SECONDS - started)) -le 5 ] || fail "dot's child kept the run $((SECONDS - started)) s"
[ "$said" = "✘ Graphviz 的 dot 命令在1秒内未完成渲染，已终止，未写出任何文件！" ] ||
  fail "a dot with a child said: $said"
DRAW_PATH=$fakes/flood check 1 "✘ Graphviz 的 dot 命令输出超过 256 MiB，已终止，未写出任何文件！" \
  -o flood.svg campus.txt
[ "$(wc -l <err.txt)" -eq 1 ] || fail "a stopped flood said more: $(cat err.txt)"
[ -e forks.svg ] || [ -e flood.svg ] && fail "a stopped dot left a file"
rm -f UPPER.PNG Mixed.Svg limited.svg

# Devices by their labels and node ids, with the file's own delays.
cat >names.graphml <<'XML'
<graphml><key id="l" for="node" attr.name="label"/>
<key id="d" for="edge" attr.name="delay"/><graph>
<node id="n0"><data key="l">Sydney, Australia4208</data></node>
<node id="n1"><data key="l">Alice Springs</data></node>
<node id="n2"><data key="l">Alice Springs</data></node>
<edge source="n0" target="n1"><data key="d">2385</data></edge>
<edge source="n1" target="n2"><data key="d">7</data></edge>
</graph></graphml>
XML
check 0 "最短延迟：2392ms" --route 'Sydney, Australia4208' n2 --latency-key delay names.graphml
check 0 "故障场景：设备 Alice-Springs-2" --fail-device n2 names.graphml
check 2 "✘ 设备名 Alice Springs 不唯一" --route n0 'Alice Springs' names.graphml

# A map along one parallel, 40 degrees wide and 0.09 high, whose
# latencies cannot all fit: dot leaves some out and says nothing about
# it, and the picture is no strip.
{
  printf '<graphml><key id="y" for="node" attr.name="Latitude"/>'
  printf '<key id="x" for="node" attr.name="Longitude"/><graph>\n'
  for i in $(seq 0 39); do
    printf '<node id="n%d"><data key="y">48.0%d</data><data key="x">%d</data></node>\n' \
      "$i" $((i * 7 % 10)) "$i"
    [ "$i" -gt 0 ] && printf '<edge source="n%d" target="n%d"/>\n' $((i - 1)) "$i"
  done
  printf '</graph></graphml>\n'
} >crowd.graphml
"$draw" -o crowd.svg crowd.graphml 2>err.txt || fail "the crowded map failed"
grep -q Warning err.txt && fail "dot warned on the crowded map: $(cat err.txt)"
read -r width height < <(sed -n 's/.*<svg width="\([0-9]*\)pt" height="\([0-9]*\)pt".*/\1 \2/p' crowd.svg)
[ "$width" -le $((3 * height)) ] && [ "$height" -le $((3 * width)) ] ||
  fail "the crowded map is ${width}x${height}"

# Networks without layers drawn in rows: a short chain, a long one, a
# star and 754 devices in rings hung from one another by spurs, as an
# operator's are (dot's ranking failed on such rows when the links in
# them carried labels). Each is a picture between 1:3 and 3:1.
operator_rings() {  # operator_rings DEVICES SEED: rings of 4 to 9 and spurs of 0 to 3
  awk -v n="$1" -v seed="$2" 'BEGIN {
    srand(seed); count = 1; links = 0
    while (count < n) {
      at = 1 + int(rand() * count)
      for (s = int(rand() * 4); s > 0 && count < n; --s) { link[++links] = at " " ++count; at = count }
      first = at
      for (r = 4 + int(rand() * 6); r > 1 && count < n; --r) { link[++links] = at " " ++count; at = count }
      if (at != first) link[++links] = at " " first
    }
    print count, links
    for (i = 1; i <= count; ++i) printf "P%04d 节点 8 x\n", i
    for (i = 1; i <= links; ++i) { split(link[i], e, " "); printf "P%04d P%04d %d\n", e[1], e[2], 1 + i * 7 % 19 }
  }'
}
chain_of() {  # chain_of DEVICES
  awk -v n="$1" 'BEGIN { print n, n - 1; for (i = 1; i <= n; ++i) printf "N%02d d 1 x\n", i
                         for (i = 2; i <= n; ++i) printf "N%02d N%02d %d\n", i - 1, i, i % 9 + 1 }'
}
chain_of 5 >rows5.txt
chain_of 60 >rows60.txt
{ echo "100 99"; for i in $(seq 0 99); do echo "S$i s 1 x"; done
  for i in $(seq 1 99); do echo "S0 S$i 3"; done; } >rows-star.txt
operator_rings 754 1 >rows754.txt
for network in rows5 rows60 rows-star rows754; do
  if ! "$draw" --layout layers -o "$network.svg" "$network.txt" 2>err.txt; then
    fail "$network in rows failed: $(head -c 300 err.txt)"
    continue
  fi
  read -r width height < <(sed -n 's/.*<svg width="\([0-9]*\)pt" height="\([0-9]*\)pt".*/\1 \2/p' "$network.svg")
  [ "$width" -le $((3 * height)) ] && [ "$height" -le $((3 * width)) ] ||
    fail "$network in rows is ${width}x${height}"
done

finish draw_cli
