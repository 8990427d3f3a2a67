#!/usr/bin/env bash
# Installs, with apt-get, whatever of the build's Debian packages is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev clang-format
  libgtest-dev libbenchmark-dev libcli11-dev
  libcadical-dev
  qt6-base-dev qt6-svg-dev libgl-dev
  slurm-wlm munge
  libopenmpi-dev openmpi-bin
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
