#!/usr/bin/env bash
# Takes screenshots of every Corvex window under Xvfb, into a directory (default out/screenshots),
# for a person to look at. The pictures are not kept in the repository.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD:-$here/out/release}"
dest="${1:-$here/out/screenshots}"
cabinet="${2:-$here/../shared/fixtures/cab/libarchive-test_read_format_cab_2.cab}"
cmake --build "$build" --target corvex_screenshots makecab extrac32 corvex_help >/dev/null 2>&1 ||
  cmake --build "$build" --target corvex_screenshots corvex_help
# A throw-away settings store, so that the pictures do not depend on the user's.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" TMP="$scratch/tmp"
mkdir -p "$dest" "$scratch/install"
# The window wants a builder beside it; a stand-in does when makecab is not built here.
if [ -x "$build/bin/makecab" ]; then ln -s "$build/bin/makecab" "$scratch/install/makecab"
else printf '#!/bin/sh\nexit 1\n' > "$scratch/install/makecab"; chmod +x "$scratch/install/makecab"; fi
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/corvex_screenshots" "$dest" "$cabinet" "$scratch/install/"
