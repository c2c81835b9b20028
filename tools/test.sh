#!/usr/bin/env bash
# Builds topoplan and runs its tests and checks, one stage after another,
# failing on the first problem:
#   format    clang-format (.clang-format), check only: the C++ sources of
#             src, web, tests, fuzz and bench;
#   gcc       g++ with warnings as errors: the whole suite;
#   sanitize  clang under AddressSanitizer and UndefinedBehaviorSanitizer:
#             the whole suite;
#   valgrind  memcheck over every test executable, the fault-injection
#             scripts and a long session (on the gcc build);
#   coverage  line and branch coverage of src/, with a floor;
#   lint      clang-tidy and cppcheck;
#   package   the static Release build that users install: the recorded
#             sessions and the command lines against it, the manual pages,
#             the installation, and the Debian package with lintian;
#   fuzz      the fuzz targets: their corpora replayed, then a short run
#             each (TOPOPLAN_FUZZ_SECONDS, default 30).
#
#   bash tools/test.sh             every stage, in this order (what CI runs)
#   bash tools/test.sh STAGE...    only these stages, in the order given
#   bash tools/test.sh --list      the stages
#
# Each stage builds what it needs, so any one works alone on a fresh clone.
# Missing packages are installed first (tools/install-deps.sh, which skips
# what is there); TOPOPLAN_SKIP_DEPS=1 skips that step altogether.
set -euo pipefail
cd "$(dirname "$0")/.."
stages=(format gcc sanitize valgrind coverage lint package fuzz)
jobs=$(nproc)

# The gcc build, which the valgrind and lint stages use as well.
build_gcc() {
  CXX=g++ cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOPOPLAN_TESTS=ON -DTOPOPLAN_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
  cmake --build build -j"$jobs"
}

stage_format() {
  echo "== clang-format (.clang-format), check only"
  git ls-files -- 'src/*.cpp' 'src/*.h' 'src/*.h.in' 'web/*.cpp' 'web/*.h' \
    'tests/*.cpp' 'tests/*.h' 'fuzz/*.cpp' 'fuzz/*.h' 'bench/*.cpp' 'bench/*.h' |
    grep -v '\.in$' | xargs clang-format --dry-run --Werror
  echo "formatted"
}

stage_gcc() {
  echo "== g++, -Wall -Wextra -Wpedantic -Werror"
  build_gcc
  ctest --test-dir build --output-on-failure -j"$jobs"
}

stage_sanitize() {
  echo "== clang, AddressSanitizer + UndefinedBehaviorSanitizer"
  CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug \
    -DTOPOPLAN_TESTS=ON -DTOPOPLAN_WERROR=ON -DTOPOPLAN_SANITIZE=ON >/dev/null
  cmake --build build-sanitize -j"$jobs"
  # The page's speed budgets are the gcc stage's: the page engine is
  # built the same for every stage, and a sanitized build only slows the
  # machine it is timed on.
  TOPOPLAN_PAGE_BUDGETS=report \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
}

stage_valgrind() {
  echo "== valgrind memcheck"
  build_gcc >/dev/null
  bash tests/valgrind_tests.sh build
  bash tests/valgrind_session.sh build/topoplan
}

stage_coverage() {
  echo "== coverage of src/ (floor: 95% of lines, 85% of branches)"
  # Atomic counters: the N-1 sweep counts from several threads at once.
  CXX=g++ cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug \
    -DTOPOPLAN_TESTS=ON -DTOPOPLAN_WERROR=ON \
    -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" \
    -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
  cmake --build build-coverage -j"$jobs"
  find build-coverage -name '*.gcda' -delete
  # Quiet when the tests pass; the failures' own output when one does not.
  TOPOPLAN_PAGE_BUDGETS=report ctest --test-dir build-coverage -j"$jobs" --output-on-failure \
    >build-coverage/ctest.log || { tail -n 80 build-coverage/ctest.log; exit 1; }
  gcovr --root . --object-directory build-coverage --filter 'src/' \
    --exclude-directories 'build-coverage/CMakeFiles/[0-9.]+' \
    --exclude-throw-branches --exclude-unreachable-branches \
    --print-summary --fail-under-line 95 --fail-under-branch 85
}

stage_lint() {
  echo "== clang-tidy (.clang-tidy) and cppcheck (.cppcheck-suppressions)"
  # The compilation database (and the configured headers) is all
  # clang-tidy needs of the gcc build.
  CXX=g++ cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOPOPLAN_TESTS=ON -DTOPOPLAN_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
  # Every diagnostic is shown and fails the stage; only clang-tidy's count
  # of the warnings it left out (in system headers) is dropped.
  printf '%s\n' src/*/*.cpp fuzz/*.cpp |
    xargs -P"$jobs" -n1 clang-tidy -p build --quiet 2>&1 |
    { grep -Ev '^[0-9]+ warnings? generated\.$' || true; }
  cppcheck --enable=warning,style,performance,portability --std=c++17 \
    --language=c++ --inline-suppr --suppressions-list=.cppcheck-suppressions \
    --error-exitcode=1 -q -I src/core -I src/store -I src/console -I src/report -I src/cli -I web \
    src web fuzz
  echo "clean"
}

stage_package() {
  echo "== the static Release build, its manual pages, install and Debian package"
  cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DTOPOPLAN_TESTS=OFF \
    -DTOPOPLAN_WERROR=ON >/dev/null
  cmake --build build-release -j"$jobs"
  file -b build-release/topoplan | grep -q 'statically linked' ||
    { echo "build-release/topoplan is not statically linked"; return 1; }
  local session failed=0
  for session in tests/sessions/*.in; do
    session=$(basename "$session" .in)
    bash tests/sessions/run_session.sh build-release/topoplan tests/sessions "$session" ||
      failed=1
  done
  [ "$failed" -eq 0 ] || return 1
  echo "the recorded sessions pass against the Release build"
  bash tests/command_line.sh build-release/topoplan build-release/topoplan-draw \
    "$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-release/CMakeCache.txt)" \
    build-release/topoplan-resilience build-release/topoplan-import
  bash tests/package_check.sh build-release
}

stage_fuzz() {
  echo "== fuzzing"
  bash fuzz/run.sh "${TOPOPLAN_FUZZ_SECONDS:-30}"
}

if [ "${1:-}" = --list ]; then
  printf '%s\n' "${stages[@]}"
  exit 0
fi
chosen=("$@")
[ $# -gt 0 ] || chosen=("${stages[@]}")
for stage in "${chosen[@]}"; do
  if ! printf '%s\n' "${stages[@]}" | grep -qxF -- "$stage"; then
    echo "tools/test.sh: no stage '$stage'; the stages are: ${stages[*]}" >&2
    exit 2
  fi
done

[ "${TOPOPLAN_SKIP_DEPS:-0}" = 1 ] || bash tools/install-deps.sh
for stage in "${chosen[@]}"; do
  "stage_$stage"
done
if [ $# -eq 0 ]; then
  echo "All tests passed."
else
  echo "Passed: ${chosen[*]}."
fi
