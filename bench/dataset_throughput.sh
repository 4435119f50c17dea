#!/usr/bin/env bash
# Throughput of data-set rendering, whole process: MODELS models of a few thousand triangles, each
# drawn from VIEWS views at SIZE x SIZE by one `render --views --list -j JOBS` run, reported in
# images a second; then, on a few models, one --views run against VIEWS separate `render` calls
# with the manifest's cameras.
#
#   bench/dataset_throughput.sh [BUILD_DIR] [MODELS] [VIEWS] [SIZE] [JOBS]
#
# The models are real ones (wuson, the elephant once its blank line is repaired, the teapot), each
# copy turned by its own angles and scaled, so that no two files are the same; they are made once
# under BUILD_DIR/bench-data/dataset.
set -euo pipefail

# calc FORMAT EXPRESSION: the expression's value printed with FORMAT.
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

build=${1:-build}
models=${2:-1000}
views=${3:-12}
size=${4:-224}
jobs=${5:-2}
here=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/bin/quorvane-cli"
[ -x "$cli" ] || { echo "no $cli: build quorvane-cli first" >&2; exit 2; }

data="$(cd "$build" && pwd)/bench-data/dataset"
sources=("$here/tests/data/wuson.off" "$here/tests/data/elephant.off" "$here/tests/data/teapot.off")
if [ ! -f "$data/list-$models.txt" ]; then
  mkdir -p "$data"
  # Strict copies of the sources (the elephant has a blank line after its counts).
  for s in "${sources[@]}"; do
    "$cli" convert --repair "$s" -o "$data/source-$(basename "$s")" >/dev/null
  done
  : > "$data/list-$models.txt.part"
  for ((i = 0; i < models; i++)); do
    src="$data/source-$(basename "${sources[i % 3]}")"
    out="$data/model_$(printf %05d "$i").off"
    if [ ! -f "$out" ]; then
      # Vertices turned about y by a and about x by b, and scaled by s; the rest copied.
      awk -v a="$((i * 37 % 360))" -v b="$((i * 11 % 90))" -v s="$((1 + i % 7))" '
        BEGIN { pi = 3.14159265358979; ca = cos(a * pi / 180); sa = sin(a * pi / 180);
                cb = cos(b * pi / 180); sb = sin(b * pi / 180) }
        NR == 2 { nv = $1 }
        NR > 2 && NR <= 2 + nv {
          x = $1 * ca + $3 * sa; z = -$1 * sa + $3 * ca; y = $2
          y2 = y * cb - z * sb; z2 = y * sb + z * cb
          printf "%.9g %.9g %.9g\n", x * s, y2 * s, z2 * s; next }
        { print }' "$src" > "$out"
    fi
    echo "$out" >> "$data/list-$models.txt.part"
  done
  mv "$data/list-$models.txt.part" "$data/list-$models.txt"
fi
list="$data/list-$models.txt"
triangles=$("$cli" info --json $(head -n 3 "$list") | sed -n 's/.*"triangles":\([0-9]*\).*/\1/p' | awk '{ t += $1 } END { print t }')
echo "models: $models (about $((triangles / 3)) triangles each), $views views of ${size}x${size}, -j $jobs"

out=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-views.XXXXXX")
trap 'rm -rf "$out"' EXIT

start=$(date +%s.%N)
"$cli" render --views "$views" --size "$size" --list "$list" --out-dir "$out/all" -j "$jobs" >/dev/null
end=$(date +%s.%N)
images=$((models * views))
echo "$images images in $(calc %.2f "$end - $start") s: $(calc %.0f "$images / ($end - $start)") images/s"

# One --views run against VIEWS separate render calls, on the first few models, one thread each.
few=12
head -n "$few" "$list" > "$out/few.txt"
start=$(date +%s.%N)
"$cli" render --views "$views" --size "$size" --list "$out/few.txt" --out-dir "$out/ring" -j 1 >/dev/null
mid=$(date +%s.%N)
sed -n 's/.*"model":"\([^"]*\)","file":"\([^"]*\)","from":\[\([^]]*\)\],"at":\[\([^]]*\)\],"up":\[\([^]]*\)\],"angle":\([^,]*\),.*/\1 \2 \3 \4 \5 \6/p' \
  "$out/ring/views.json" > "$out/cameras.txt"
mkdir -p "$out/single"
while read -r model file from at up angle; do
  "$cli" render "$model" -o "$out/single/$file" --size "$size" -j 1 --from "$from" --at "$at" --up "$up" --angle "$angle"
done < "$out/cameras.txt"
end=$(date +%s.%N)
cmp -s <(cd "$out/ring" && cat ./*.png) <(cd "$out/single" && cat ./*.png) || { echo "the separate renders differ" >&2; exit 1; }
echo "$few models x $views views: one --views run $(calc %.3f "$mid - $start") s," \
  "$((few * views)) separate render calls $(calc %.3f "$end - $mid") s" \
  "($(calc %.1f "($end - $mid) / ($mid - $start)") times as long; the pictures are the same bytes)"
