#!/usr/bin/env bash
# Installs the Debian 12 packages Quorvane needs to build, test and run; only those missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev qt6-base-dev-tools
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libpng-dev libx11-dev fonts-dejavu-core
  clang libclang-rt-14-dev clang-format
  help2man dpkg-dev desktop-file-utils appstream file
  ccache
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
