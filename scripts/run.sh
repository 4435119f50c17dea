#!/usr/bin/env bash
# Sets up, builds (Release, into build/) and runs Quorvane on FILE.off, or on a bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

file="${1:-data/teapot.off}"
if [ -x build/bin/quorvane ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/bin/quorvane "$file"
fi
if [ -x build/bin/quorvane ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset); using the command line instead."
fi
# Without a display the model is rendered to a picture with the command line instead.
png="build/$(basename "${file%.*}").png"
build/bin/quorvane-cli render "$file" -o "$png"
echo "Rendered $file to $png"
