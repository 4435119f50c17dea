#!/usr/bin/env bash
# Sets up, builds and runs every test: the Release build, the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded libFuzzer run of the OFF reader.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
passed=0

# Runs ctest in a build folder and adds its test count to `passed` (a failure stops the script).
run_tests() {
  local log
  log=$(mktemp)
  ctest --test-dir "$1" --output-on-failure -j "$jobs" | tee "$log"
  passed=$((passed + $(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)))
  rm -f "$log"
}

echo "== Release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
run_tests build

echo "== Sanitizer build (address, undefined) and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
  -DQUORVANE_BUILD_APP=OFF -DQUORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
run_tests build-asan

echo "== Fuzzing the OFF reader (${QUORVANE_FUZZ_SECONDS:-30} s)"
./scripts/fuzz.sh "${QUORVANE_FUZZ_SECONDS:-30}"

echo "== Formatting (clang-format, the project's .clang-format)"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "All sources are formatted."

echo
echo "$passed passed, 0 failed"
