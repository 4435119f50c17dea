#!/usr/bin/env bash
# Speed and memory at scale, whole process: bumpy spheres of 1 and 4 million triangles (six-decimal
# coordinates) read by the parse floor (the file read whole and every number converted with
# from_chars, the least any reader does), `quorvane-cli info`, `quorvane-cli render --size 1024`
# and the viewer up to its first idle frame (offscreen). Prints the median wall time of RUNS runs
# (hyperfine, one warm-up), the median peak resident memory (/usr/bin/time), the time over the
# floor's and the memory over the file's size.
#
#   bench/scale.sh [BUILD_DIR] [DATA_DIR] [RUNS] [TRIANGLES...]
#
# The models are made once in DATA_DIR (default BUILD_DIR/bench-data/scale) by quorvane_make_sphere.
set -euo pipefail

build=${1:-build}
data=${2:-$build/bench-data/scale}
runs=${3:-5}
shift $(($# < 3 ? $# : 3))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000000 4000000)
bin="$build/bin"
for tool in quorvane-cli quorvane_make_sphere quorvane_parse_floor; do
  [ -x "$bin/$tool" ] || { echo "no $bin/$tool: build it first" >&2; exit 2; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is missing (apt-get install hyperfine)" >&2; exit 2; }
command -v jq >/dev/null || { echo "jq is missing (apt-get install jq)" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 2; }

out=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-scale.XXXXXX")
trap 'rm -rf "$out"' EXIT
mkdir -p "$data"

# median: the median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# measure NAME COMMAND...: median seconds and median peak kilobytes of the command, as "S KB".
measure() {
  local name=$1
  shift
  # hyperfine's warnings of a busy machine would break the table; they are in $out/$name.warn.
  hyperfine --style none --warmup 1 --runs "$runs" --export-json "$out/$name.json" "$(printf '%q ' "$@")" \
    >/dev/null 2>"$out/$name.warn"
  local seconds
  seconds=$(jq '.results[0].median' "$out/$name.json")
  local kb
  kb=$(for ((r = 0; r < 3; r++)); do
         /usr/bin/time -f %M -o "$out/$name.rss" "$@" >/dev/null 2>"$out/$name.err" || { cat "$out/$name.err" >&2; exit 1; }
         cat "$out/$name.rss"
       done | median)
  echo "$seconds $kb"
}

viewer="$bin/quorvane_viewer_first_frame"
export QT_QPA_PLATFORM=offscreen
printf '%-12s %-10s %10s %10s %9s %9s\n' triangles program "median s" "peak MB" "x floor" "x file"
for n in "${sizes[@]}"; do
  model="$data/sphere_$n.off"
  [ -f "$model" ] || "$bin/quorvane_make_sphere" "$n" "$model" >/dev/null
  file_mb=$(stat -c %s "$model" | awk '{ printf "%.1f", $1 / 1048576 }')
  read -r floor_s floor_kb < <(measure floor "$bin/quorvane_parse_floor" "$model")
  report() {
    awk -v n="$n" -v name="$1" -v s="$2" -v kb="$3" -v fs="$floor_s" -v mb="$file_mb" \
      'BEGIN { printf "%-12s %-10s %10.3f %10.1f %9.2f %9.2f\n", n, name, s, kb / 1024, s / fs, kb / 1024 / mb }'
  }
  echo "$model: $file_mb MB"
  report floor "$floor_s" "$floor_kb"
  read -r s kb < <(measure info "$bin/quorvane-cli" info "$model")
  report info "$s" "$kb"
  read -r s kb < <(measure render "$bin/quorvane-cli" render "$model" -o "$out/picture.png" --size 1024)
  report render "$s" "$kb"
  if [ -x "$viewer" ]; then
    read -r s kb < <(measure viewer "$viewer" "$model")
    report viewer "$s" "$kb"
  fi
done
