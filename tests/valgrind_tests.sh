#!/usr/bin/env bash
# Runs the test suite of a build under valgrind's memcheck and fails on any
# error or leak: every GoogleTest executable, the fuzz corpus replays, and
# the fault-injection scripts with the program started under valgrind.
# Usage: valgrind_tests.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
cd "$(dirname "$0")/.."
source_dir=$(pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

memcheck=(valgrind --quiet --error-exitcode=3 --leak-check=full
          --show-leak-kinds=all --errors-for-leak-kinds=all)

# A stand-in for a program that runs it under memcheck. The program's own
# operator new, if it has one, is left in place.
wrap() {
  local wrapper="$scratch/$(basename "$1")"
  printf '#!/bin/sh\nexec %s --soname-synonyms=somalloc=nouserintercepts %q "$@"\n' \
    "${memcheck[*]}" "$1" >"$wrapper"
  chmod +x "$wrapper"
  echo "$wrapper"
}

# Under memcheck posix_spawn runs as a plain fork, so a program that cannot
# be started is seen as one that started and exited 127, and the forked
# copy's own exit is checked for leaks: that one case runs everywhere else.
skipped=-ChildProcess.NamesWhyItCouldNotStart
for test in "$build"/tests/*_test; do
  echo "-- $(basename "$test")"
  "${memcheck[@]}" "$test" --gtest_brief=1 --gtest_filter="$skipped" \
    >"$scratch/log" 2>&1 || { cat "$scratch/log"; exit 1; }
done
for corpus in "$source_dir"/fuzz/corpus/*/; do
  target=$(basename "$corpus")
  inputs=("$source_dir/fuzz/corpus/$target")
  [ -d "$source_dir/fuzz/regressions/$target" ] &&
    inputs+=("$source_dir/fuzz/regressions/$target")
  echo "-- ${target}_replay"
  "${memcheck[@]}" "$build/fuzz/${target}_replay" "${inputs[@]}"
done
echo "-- allocation_failures, every fourth allocation"
bash tests/allocation_failures.sh "$(wrap "$build/tests/topoplan_failing_allocation")" \
  examples/campus.txt 4
echo "-- write_failures"
bash tests/write_failures.sh "$(wrap "$build/topoplan")" >/dev/null
echo "valgrind: no errors, no leaks"
