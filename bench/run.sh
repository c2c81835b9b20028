#!/usr/bin/env bash
# Measures topoplan against its floors, all in one run:
#   - micro-benchmarks of each option's work on the 40-device full mesh;
#   - start-up to the first menu and option 0, against a C program that
#     prints one line;
#   - a session that loads the mesh and runs options 2 to 8 K times, against
#     `cat` of the same number of output bytes;
#   - instruction counts (callgrind) and peak memory of that session;
#   - topoplan-resilience's N-1 report on the mesh (820 scenarios, JSON)
#     against the same figures from NetworkX, and its peak memory;
#   - its N-1 report on a generated 754-device, 895-link operator network
#     (JSON), beside a naive igraph loop when python3-igraph is there;
#   - its growth: the report on operator networks of 1,500 and 3,000
#     devices, and on 5,000 devices made of five networks joined by
#     peering links, with --jobs 1 and 2 giving the same output;
#   - topoplan-draw's failure pictures (DOT) on the 754- and a 2,000-device
#     operator network, side by side with topoplan-resilience on the same
#     failures, and its single points against the whole N-1 report;
#   - --suggest links on a 726-device network with every pair not yet
#     linked as a candidate (about 260,000), beside NetworkX's
#     augmentation from the same candidates.
# Then it holds the figures to their budgets and fails (status 1), naming
# each budget exceeded: start-up at most 1.3 times the C program, the
# K = 100 session at most 10 times `cat` and 3 million instructions per
# repetition, peak memory under 4 MiB with no growth from K = 1 to 100;
# the N-1 report at least 100 times faster than NetworkX, under 4 MiB;
# the operator network's report within 2 s and 64 MiB, and at least 250
# times faster than the igraph loop where that runs; the 5,000-device
# report within 10 s and 128 MiB; a drawn failure
# within 1.5 times the report's time and twice its peak memory, and the
# drawn single points within 0.6 times the whole N-1 report's time; the
# suggested links at least 5 times faster than NetworkX's augmentation
# (whole processes, each reading the same files), and no dearer in total.
#
#   bash bench/run.sh [RUNS]      (default 21 runs per timing)
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$(pwd)
runs=${1:-21}
bash tools/install-deps.sh
command -v valgrind >/dev/null

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTOPOPLAN_BENCH=ON \
  -DTOPOPLAN_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" >/dev/null
bin=$(realpath build-bench)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== micro-benchmarks (40 devices, 780 links)"
"$bin/bench/analyses_bench" --benchmark_min_time=0.2 2>/dev/null |
  grep -E '^(BM_|Benchmark|-)'

cd "$work"
"$bin/bench/mesh_generator" 40 > mesh.txt
echo 0 > exit.in
: > empty.in
session_input() {  # K: load the mesh, run options 2 to 8 K times, quit
  printf '10 mesh.txt\n'
  for ((i = 0; i < $1; ++i)); do printf '2\n3\n4\n5\nN01 N40\n6\n7\n8\nN20\n'; done
  printf '0\n'
}
session_input 1 > k1.in
session_input 100 > k100.in

timed() { "$bin/bench/run_timed" "$runs" "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo
echo "== start-up: first menu, then option 0 ($runs runs, medians)"
read -r startup startup_rss _ < <(timed exit.in "$bin/topoplan")
read -r hello _ _ < <(timed empty.in "$bin/bench/hello")
startup_ratio=$(ratio "$startup" "$hello")
printf '  topoplan  %.3f ms   C one-liner %.3f ms   ratio %s (budget 1.3)\n' \
  "$(ratio "$startup" 0.001)" "$(ratio "$hello" 0.001)" "$startup_ratio"

echo
echo "== session on the mesh: options 2-8 K times ($runs runs, medians)"
for k in 1 100; do
  read -r seconds rss bytes < <(timed "k$k.in" "$bin/topoplan")
  head -c "$bytes" /dev/zero > "floor$k.bin"
  read -r floor _ _ < <(timed empty.in cat "floor$k.bin")
  instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
    "$bin/topoplan" < "k$k.in" 2>&1 >/dev/null |
    awk '/Collected/ { gsub(",", "", $4); print $4 }')
  printf '  K=%-3d %8.3f ms  %9d bytes  cat %.3f ms  ratio %s  peak RSS %d KiB  %d instructions\n' \
    "$k" "$(ratio "$seconds" 0.001)" "$bytes" "$(ratio "$floor" 0.001)" \
    "$(ratio "$seconds" "$floor")" "$rss" "$instructions"
  eval "instructions$k=$instructions rss$k=$rss ratio$k=$(ratio "$seconds" "$floor")"
done
per_repetition=$(( (instructions100 - instructions1) / 99 ))
printf '  per repetition: %d instructions (budget 3000000)\n' "$per_repetition"
printf '  peak RSS K=1 %d KiB, K=100 %d KiB (budget 4096, no growth)\n' "$rss1" "$rss100"

echo
echo "== N-1 report on the mesh, JSON to /dev/null (medians; NetworkX 3 runs)"
read -r report report_rss _ < <(timed empty.in "$bin/topoplan-resilience" --json mesh.txt)
read -r networkx _ _ < <("$bin/bench/run_timed" 3 empty.in \
  python3 "$source_dir/tests/resilience_reference.py" mesh.txt)
"$bin/topoplan-resilience" --json mesh.txt > report.json
python3 "$source_dir/tests/resilience_reference.py" mesh.txt > reference.json
python3 -c 'import json, sys; sys.exit(json.load(open("report.json")) != json.load(open("reference.json")))' ||
  { echo "  the report differs from NetworkX's figures"; exit 1; }
speedup=$(ratio "$networkx" "$report")
printf '  topoplan-resilience %.1f ms   NetworkX %.0f ms   %s times faster (budget 100)\n' \
  "$(ratio "$report" 0.001)" "$(ratio "$networkx" 0.001)" "$speedup"
printf '  peak RSS %d KiB (budget 4096); the same figures as NetworkX\n' "$report_rss"

echo
echo "== N-1 report on a 754-device operator network, JSON ($runs runs, medians)"
"$bin/bench/operator_generator" 754 1 > operator.txt
read -r operator operator_rss _ < <(timed empty.in "$bin/topoplan-resilience" --json operator.txt)
printf '  topoplan-resilience %.1f ms (budget 2000)   peak RSS %d KiB (budget 65536)\n' \
  "$(ratio "$operator" 0.001)" "$operator_rss"
igraph_python=""
for python in python3 /usr/bin/python3; do
  if "$python" -c 'import igraph' 2>/dev/null; then igraph_python=$python; break; fi
done
if [ -n "$igraph_python" ]; then
  read -r naive _ _ < <("$bin/bench/run_timed" 1 empty.in \
    "$igraph_python" "$source_dir/bench/igraph_n1.py" operator.txt)
  igraph_speedup=$(ratio "$naive" "$operator")
  printf '  naive igraph loop %.0f s (one run)   %s times faster (budget 250)\n' \
    "$naive" "$igraph_speedup"
else
  echo "  SKIP: python3-igraph is not installed; no naive igraph loop beside it"
fi

echo
echo "== growth of the N-1 report (JSON, 3 runs each, medians)"
"$bin/bench/operator_generator" 1500 1 > operator1500.txt
"$bin/bench/operator_generator" 3000 1 > operator3000.txt
"$bin/bench/operator_generator" 5000 7 5 > peered5000.txt
for network in operator1500 operator3000 peered5000; do
  read -r seconds rss _ < <("$bin/bench/run_timed" 3 empty.in \
    "$bin/topoplan-resilience" --json "$network.txt")
  printf '  %-13s %.2f s   peak RSS %d KiB\n' "$network" "$seconds" "$rss"
  eval "${network}_time=$seconds ${network}_rss=$rss"
done
"$bin/topoplan-resilience" --json --jobs 1 peered5000.txt > jobs1.json
"$bin/topoplan-resilience" --json --jobs 2 peered5000.txt > jobs2.json
cmp -s jobs1.json jobs2.json || { echo "  --jobs 1 and 2 differ"; exit 1; }
echo "== topoplan-draw beside topoplan-resilience, DOT and text ($runs runs, medians)"
"$bin/bench/operator_generator" 2000 1 > operator2000.txt
draw_figures=()
for network in operator.txt operator2000.txt; do
  # A device in the middle of the list, and the first link.
  device=$(awk 'NR == 1 { middle = int($1 / 2) + 2 } NR == middle { print $1; exit }' "$network")
  link=$(awk 'NR == 1 { first = $1 + 2 } NR == first { print $1, $2; exit }' "$network")
  for failure in "--fail-device $device" "--fail-link $link"; do
    # shellcheck disable=SC2086  # the failure is two or three words
    read -r drawn drawn_rss _ < <(timed empty.in "$bin/topoplan-draw" $failure "$network")
    # shellcheck disable=SC2086
    read -r reported reported_rss _ < <(timed empty.in "$bin/topoplan-resilience" $failure "$network")
    time_ratio=$(ratio "$drawn" "$reported")
    rss_ratio=$(ratio "$drawn_rss" "$reported_rss")
    printf '  %-16s %-24s draw %.1f ms %d KiB   report %.1f ms %d KiB   ratios %s (budget 1.5), %s (budget 2)\n' \
      "$network" "$failure" "$(ratio "$drawn" 0.001)" "$drawn_rss" \
      "$(ratio "$reported" 0.001)" "$reported_rss" "$time_ratio" "$rss_ratio"
    draw_figures+=("$network $failure time|$time_ratio|1.5"
                   "$network $failure peak RSS|$rss_ratio|2")
  done
  read -r risks _ _ < <(timed empty.in "$bin/topoplan-draw" --risks "$network")
  read -r whole _ _ < <(timed empty.in "$bin/topoplan-resilience" --json "$network")
  risks_ratio=$(ratio "$risks" "$whole")
  printf '  %-16s --risks %.1f ms   whole N-1 report %.1f ms   ratio %s (budget 0.6)\n' \
    "$network" "$(ratio "$risks" 0.001)" "$(ratio "$whole" 0.001)" "$risks_ratio"
  draw_figures+=("$network --risks time against the N-1 report|$risks_ratio|0.6")
done

echo
echo "== topoplan-resilience --suggest links beside NetworkX's augmentation, the same candidates"
"$bin/bench/operator_generator" 726 3 > operator726.txt
python3 "$source_dir/bench/candidate_pairs.py" operator726.txt > candidates726.txt
read -r suggested _ _ < <(timed empty.in "$bin/topoplan-resilience" --suggest links \
  --candidates candidates726.txt --json operator726.txt)
"$bin/topoplan-resilience" --suggest links --candidates candidates726.txt --json \
  operator726.txt > suggested.json
read -r ours_links ours_total < <(python3 -c 'import json; s = json.load(open("suggested.json"))["suggestions"]; print(len(s), sum(l[2] for l in s))')
read -r nx_links nx_total nx_seconds < <(python3 "$source_dir/bench/networkx_augmentation.py" \
  operator726.txt candidates726.txt |
  python3 -c 'import json, sys; d = json.load(sys.stdin); print(d["links"], d["total"], d["seconds"])')
read -r nx_process _ _ < <("$bin/bench/run_timed" 3 empty.in python3 \
  "$source_dir/bench/networkx_augmentation.py" operator726.txt candidates726.txt)
suggest_speedup=$(ratio "$nx_process" "$suggested")
printf '  %d candidates: topoplan %d links, %d ms in %.1f ms   NetworkX %d links, %d ms in %.0f ms (%.0f ms of it the augmentation)\n' \
  "$(wc -l < candidates726.txt)" "$ours_links" "$ours_total" "$(ratio "$suggested" 0.001)" \
  "$nx_links" "$nx_total" "$(ratio "$nx_process" 0.001)" "$(ratio "$nx_seconds" 0.001)"
printf '  whole processes: %s times faster (budget 5); against the augmentation alone %s times\n' \
  "$suggest_speedup" "$(ratio "$nx_seconds" "$suggested")"

over=()
within() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a <= b) }'; }
within "$startup_ratio" 1.3 || over+=("start-up ratio $startup_ratio > 1.3")
within "$ratio100" 10 || over+=("K=100 ratio $ratio100 > 10")
within "$per_repetition" 3000000 || over+=("$per_repetition instructions per repetition > 3000000")
within "$rss100" 4095 || over+=("peak RSS $rss100 KiB >= 4096")
within "$rss100" "$rss1" || over+=("peak RSS grew from $rss1 to $rss100 KiB")
within 100 "$speedup" || over+=("N-1 report only $speedup times faster than NetworkX < 100")
within "$report_rss" 4095 || over+=("N-1 report peak RSS $report_rss KiB >= 4096")
within "$operator" 2 || over+=("operator N-1 report $operator s > 2 s")
within "$operator_rss" 65536 || over+=("operator N-1 report peak RSS $operator_rss KiB > 65536")
within "$peered5000_time" 10 || over+=("5,000-device N-1 report $peered5000_time s > 10 s")
within "$peered5000_rss" 131072 || over+=("5,000-device N-1 report peak RSS $peered5000_rss KiB > 131072")
[ -z "$igraph_python" ] || within 250 "$igraph_speedup" ||
  over+=("operator N-1 report only $igraph_speedup times faster than the igraph loop < 250")
within 5 "$suggest_speedup" ||
  over+=("--suggest links only $suggest_speedup times faster than NetworkX < 5")
within "$ours_total" "$nx_total" ||
  over+=("--suggest links total $ours_total ms > NetworkX's $nx_total ms")
for figure in "${draw_figures[@]}"; do
  IFS='|' read -r what figure_ratio budget <<<"$figure"
  within "$figure_ratio" "$budget" ||
    over+=("topoplan-draw $what ratio $figure_ratio > $budget")
done
echo
if [ ${#over[@]} -gt 0 ]; then
  printf 'budget exceeded: %s\n' "${over[@]}"
  exit 1
fi
echo "every figure is within its budget"
