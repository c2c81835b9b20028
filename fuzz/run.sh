#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, replays each target's corpus and regression
# inputs, then fuzzes each target for SECONDS (default 30) from a copy of
# its corpus. Fails on any finding; the input is left under
# build-fuzz/findings/.
# Usage: fuzz/run.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOPOPLAN_FUZZ=ON -DTOPOPLAN_TESTS=OFF >/dev/null
# The targets, NAME_fuzzer, each with its corpus fuzz/corpus/NAME and an
# optional dictionary fuzz/NAME.dict (else the shared fuzz/topoplan.dict):
# the load, the session, the resilience and the graphml targets. A corpus
# folder missing from this list fails the run, so none is left out.
targets=(load session resilience graphml)
for corpus in fuzz/corpus/*/; do
  case " ${targets[*]} " in
    *" $(basename "$corpus") "*) ;;
    *) echo "fuzz/run.sh: no target listed for $corpus" >&2; exit 1 ;;
  esac
done
cmake --build build-fuzz -j"$(nproc)" \
  --target "${targets[@]/%/_fuzzer}"

findings=$(pwd)/build-fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Saved topology files go to memory rather than to disk.
if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1

# Targets with a dictionary or flags of their own; memory is bounded for all.
declare -A flags=([graphml]="-max_len=16384")
for target in "${targets[@]}"; do
  inputs=(fuzz/corpus/$target)
  [ -d fuzz/regressions/$target ] && inputs+=(fuzz/regressions/$target)
  fuzzer=build-fuzz/fuzz/${target}_fuzzer
  mkdir -p "$work/$target"
  echo "-- $target: replaying ${inputs[*]}"
  "$fuzzer" -runs=0 -artifact_prefix="$findings/" "${inputs[@]}" \
    >"$work/$target-replay.log" 2>&1 ||
    { tail -n 60 "$work/$target-replay.log"; exit 1; }
  grep -E 'INITED' "$work/$target-replay.log"
  echo "-- $target: fuzzing for ${seconds}s"
  dict=fuzz/$target.dict
  [ -f "$dict" ] || dict=fuzz/topoplan.dict
  # shellcheck disable=SC2086 # the flags are words
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -dict="$dict" ${flags[$target]:-} \
    -artifact_prefix="$findings/" -print_final_stats=1 "$@" \
    "$work/$target" "${inputs[@]}" >"$work/$target.log" 2>&1 ||
    { tail -n 60 "$work/$target.log"; exit 1; }
  grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$target.log"
done
