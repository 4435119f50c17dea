#!/usr/bin/env bash
# Sets up, builds and runs every test:
#   1. the Release build with gcc, warnings as errors, and all tests;
#   2. the Debian package (build-package/, served by build 1's compiler cache): its files, the
#      validators of its launcher and software centre entries, its library dependencies, and its
#      programs run from a scratch root it is unpacked into (scripts/check-package.sh);
#   3. clang with warnings as errors, AddressSanitizer and UndefinedBehaviorSanitizer (a Debug build with
#      the viewer and the fuzz targets) and all tests, the viewer's included;
#   4. ThreadSanitizer (gcc, without the viewer) and the tests of the core and the command line;
#   5. a bounded libFuzzer run of the OFF reader with the fuzz target of build 3;
#   6. the formatting check.
# Each stage's time is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
passed=0
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# Times of the finished stages, and the start of the current one.
timings=()
stage_name=""
stage_start=$SECONDS

# Ends the current stage (noting its time) and starts the stage named $1.
stage() {
  if [ -n "$stage_name" ]; then
    timings+=("$(printf '%5d s  %s' $((SECONDS - stage_start)) "$stage_name")")
  fi
  stage_name="$1"
  stage_start=$SECONDS
  if [ -n "$stage_name" ]; then
    echo "== $stage_name"
  fi
}

# Configures build folder $2 with compiler $1 (taken when the folder is new) and the options that
# follow, and builds everything in it.
build() {
  local compiler="$1" folder="$2"
  shift 2
  CXX="$compiler" cmake -S . -B "$folder" -G Ninja "${launcher[@]}" -DQUORVANE_WERROR=ON "$@" >/dev/null
  cmake --build "$folder" -j "$jobs"
}

# Runs ctest in a build folder and adds its test count to `passed` (a failure stops the script).
run_tests() {
  local log
  log=$(mktemp)
  ctest --test-dir "$1" --output-on-failure -j "$jobs" | tee "$log"
  passed=$((passed + $(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)))
  rm -f "$log"
}

stage "Release build (gcc, warnings as errors) and tests"
build g++ build -DCMAKE_BUILD_TYPE=Release
run_tests build

stage "Debian package (build, contents, validators, dependencies, unpacked programs)"
./scripts/check-package.sh

# The sanitizers' options (and the leak suppressions for Qt's libraries) are set by CTest.
stage "clang build (warnings as errors, address and undefined sanitizers, fuzz targets) and tests"
build clang++ build-clang -DCMAKE_BUILD_TYPE=Debug -DQUORVANE_SANITIZE=ON \
  -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_BENCH=OFF
run_tests build-clang

stage "ThreadSanitizer build (gcc, without the viewer) and tests"
build g++ build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_SANITIZE_THREAD=ON \
  -DQUORVANE_BUILD_APP=OFF -DQUORVANE_BUILD_BENCH=OFF
run_tests build-tsan

stage "Fuzzing the OFF reader (${QUORVANE_FUZZ_SECONDS:-30} s)"
./scripts/fuzz.sh "${QUORVANE_FUZZ_SECONDS:-30}" build-clang

stage "Formatting (clang-format, the project's .clang-format)"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "All sources are formatted."
stage ""

echo
echo "Stage times:"
printf '%s\n' "${timings[@]}"
echo
echo "$passed passed, 0 failed"
