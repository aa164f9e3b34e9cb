#!/usr/bin/env bash
# Runs every benchmark script bench/*.bench.sh against the peers on the same machine, in one go,
# and prints ratios. Usage: bench/run.sh [build-dir, default out/release]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export CORVEX_BUILD=$(cd "${1:-out/release}" && pwd)
source "$here/lib.sh"
for script in "$here"/*.bench.sh; do
    [ -e "$script" ] || continue
    echo "== $(basename "$script" .bench.sh)"
    bash "$script"
    echo
done
