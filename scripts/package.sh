#!/usr/bin/env bash
# Builds the Debian package of Quorvane: a Release build of the programs and their manual pages in
# build-package/, packed by CPack. Prints the package's path (and only that) on standard output;
# the build's own messages go to standard error. Options given are passed to cmake, e.g.
#   ./scripts/package.sh -DQUORVANE_WERROR=ON
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh >&2

folder=build-package
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVANE_BUILD_APP=ON \
  -DQUORVANE_BUILD_TESTS=OFF -DQUORVANE_BUILD_BENCH=OFF -DQUORVANE_BUILD_FUZZ=OFF \
  -DQUORVANE_SANITIZE=OFF -DQUORVANE_SANITIZE_THREAD=OFF -DQUORVANE_BUILD_MAN=ON \
  "${launcher[@]}" "$@" >&2
cmake --build "$folder" -j "$(nproc)" >&2

# A package left from an earlier version must not be taken for this one.
rm -f "$folder"/quorvane_*.deb
log=$(cd "$folder" && cpack -G DEB 2>&1) || {
  echo "$log" >&2
  exit 1
}
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' <<<"$log")
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "$log" >&2
  echo "cpack made no package" >&2
  exit 1
fi
echo "$deb"
