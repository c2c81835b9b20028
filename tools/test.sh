#!/usr/bin/env bash
# Builds topoplan and runs every test: with g++ and warnings as errors, then
# with clang under AddressSanitizer and UndefinedBehaviorSanitizer, then a
# whole session under valgrind's leak checker; last, the manual page, the
# installation and the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)

echo "== g++, -Wall -Wextra -Werror"
CXX=g++ cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== clang, AddressSanitizer + UndefinedBehaviorSanitizer"
CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTOPOPLAN_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== valgrind, a session that creates, saves, loads and rebuilds"
bash tests/valgrind_session.sh build/topoplan

echo "== manual page, install and Debian package"
bash tests/package_check.sh build
echo "All tests passed."
