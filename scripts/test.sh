#!/usr/bin/env bash
# Sets up, builds and runs every test: the Release build, the core under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded libFuzzer run of the OFF reader.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Release build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Sanitizer build (address, undefined) and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
  -DQUORVANE_BUILD_APP=OFF -DQUORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== Fuzzing the OFF reader (${QUORVANE_FUZZ_SECONDS:-30} s)"
./scripts/fuzz.sh "${QUORVANE_FUZZ_SECONDS:-30}"

echo "== Formatting (clang-format, the project's .clang-format)"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "All sources are formatted."
