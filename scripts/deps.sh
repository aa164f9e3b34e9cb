#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and benchmarking Corvex need.
# As root it installs what is missing; otherwise it prints the exact command and fails.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev                     # windows, dialogs, Qt Test
  libmspack-dev                    # the decoder linked statically into extrac32
  zlib1g-dev                       # deflate inside MSZIP
  libgtest-dev libbenchmark-dev    # tests and benchmark programs
  cabextract gcab                  # independent peers the tests check against
  hyperfine xz-utils gzip python3 time  # benchmarks: timing, peers, ratios, peak memory
  xvfb xauth xdg-utils desktop-file-utils  # real windows, the desktop association
  fonts-wqy-microhei               # Traditional Chinese glyphs
)
names=()
for p in "${packages[@]}"; do names+=("$p"); done
missing=()
for p in "${names[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Corvex needs these Debian packages. Install them as root with:" >&2
  echo "  apt-get update && apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
