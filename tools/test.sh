#!/usr/bin/env bash
# Builds topoplan and runs every test and check, failing on the first
# problem:
#   1. g++ with warnings as errors: the whole suite;
#   2. clang under AddressSanitizer and UndefinedBehaviorSanitizer: the
#      whole suite;
#   3. valgrind's memcheck: every test executable, the fault-injection
#      scripts and a long session;
#   4. line and branch coverage of src/, with a floor;
#   5. clang-tidy and cppcheck;
#   6. the manual page, the installation and the Debian package;
#   7. the fuzz targets: their corpora replayed, then a short run each
#      (TOPOPLAN_FUZZ_SECONDS, default 30).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)

echo "== g++, -Wall -Wextra -Werror"
CXX=g++ cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== clang, AddressSanitizer + UndefinedBehaviorSanitizer"
CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTOPOPLAN_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

echo "== valgrind memcheck"
bash tests/valgrind_tests.sh build
bash tests/valgrind_session.sh build/topoplan

echo "== coverage of src/ (floor: 95% of lines, 85% of branches)"
CXX=g++ cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build build-coverage -j"$jobs"
find build-coverage -name '*.gcda' -delete
ctest --test-dir build-coverage -j"$jobs" >/dev/null
gcovr --root . --object-directory build-coverage --filter 'src/' \
  --exclude-directories 'build-coverage/CMakeFiles/[0-9.]+' \
  --exclude-throw-branches --exclude-unreachable-branches \
  --print-summary --fail-under-line 95 --fail-under-branch 85

echo "== clang-tidy (.clang-tidy) and cppcheck (.cppcheck-suppressions)"
printf '%s\n' src/*/*.cpp fuzz/*.cpp |
  xargs -P"$jobs" -n1 clang-tidy -p build --quiet 2>/dev/null
cppcheck --enable=warning,style,performance,portability --std=c++17 \
  --language=c++ --inline-suppr --suppressions-list=.cppcheck-suppressions \
  --error-exitcode=1 -q -I src/core -I src/store -I src/console -I src/cli src fuzz
echo "clean"

echo "== manual page, install and Debian package"
bash tests/package_check.sh build

echo "== fuzzing"
bash fuzz/run.sh "${TOPOPLAN_FUZZ_SECONDS:-30}"
echo "All tests passed."
