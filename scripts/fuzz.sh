#!/usr/bin/env bash
# Runs each libFuzzer target for a bounded time from its seed corpus: `fuzz.sh [SECONDS] [BUILD_DIR]`.
# Without BUILD_DIR the targets are built with clang into build-fuzz (optimised, AddressSanitizer and
# UndefinedBehaviorSanitizer); with it, the fuzzers of that build (configured with QUORVANE_BUILD_FUZZ=ON)
# are used as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build="${2:-}"

if [ -z "$build" ]; then
  build=build-fuzz
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVANE_BUILD_FUZZ=ON -DQUORVANE_BUILD_APP=OFF -DQUORVANE_BUILD_TESTS=OFF \
    -DQUORVANE_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
  cmake --build "$build" -j "$(nproc)"
fi

shopt -s nullglob
fuzzers=("$build"/bin/fuzz_*)
if [ ${#fuzzers[@]} -eq 0 ]; then
  echo "No fuzz targets in $build/bin (configure it with clang and -DQUORVANE_BUILD_FUZZ=ON)" >&2
  exit 1
fi
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  cp -n fuzz/seeds/* "$corpus"/ 2>/dev/null || true
  echo "-- $name for ${seconds} s"
  "$fuzzer" "$corpus" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 2>&1 | tail -n 12
done
