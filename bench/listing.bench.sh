#!/usr/bin/env bash
# Listing a cabinet of 65,535 small files: our core listing and the window's open against
# `cabextract -l` and `gcab -l` (whole processes, output to /dev/null, medians of one run).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"

work=$BENCH_WORK/listing
cab=$work/many.cab
mkdir -p "$work"
if [ ! -s "$cab" ]; then
    echo "building a cabinet of 65,535 files with gcab..."
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    (
        cd "$work/tree"
        python3 - <<'PY'
import os
for i in range(65535):
    d = f"d{i // 256:03d}"
    if i % 256 == 0:
        os.mkdir(d)
    with open(f"{d}/f{i:05d}.txt", "w") as f:
        f.write(str(i))
PY
        # One gcab run for all of them: the names are kept short to fit one command line.
        mapfile -t names < <(find . -type f -printf '%P\n' | sort)
        gcab -c "$cab.part" "${names[@]}"
    )
    mv "$cab.part" "$cab"
    rm -rf "$work/tree"
fi

core=$CORVEX_BUILD/bench/listing_core
window=$CORVEX_BUILD/bench/listing_window
install=$work/install
mkdir -p "$install" "$work/config"
: > "$install/makecab"
export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen

# A quick check that all three list the same number of files.
rows=$("$core" "$cab" | tail -n 1)
echo "cabinet: $(stat -c %s "$cab") bytes; ours: $rows; cabextract: $(cabextract -l "$cab" | grep -c '^ *[0-9][0-9]* |') files; gcab: $(gcab -t "$cab" | wc -l) files"

t_core=$(median_seconds "$core $cab > /dev/null")
t_window=$(median_seconds "$window $install $cab > /dev/null 2>&1")
t_cabextract=$(median_seconds "cabextract -l $cab > /dev/null")
t_gcab=$(median_seconds "gcab -l $cab > /dev/null")
fastest=$(python3 -c 'import sys; print(min(float(sys.argv[1]), float(sys.argv[2])))' "$t_cabextract" "$t_gcab")

printf 'medians (s): core listing %s, window open %s, cabextract -l %s, gcab -l %s\n' \
    "$t_core" "$t_window" "$t_cabextract" "$t_gcab"
echo "core listing / fastest peer:    $(ratio "$t_core" "$fastest")   (goal <= 1.0)"
echo "core listing / cabextract -l:   $(ratio "$t_core" "$t_cabextract")"
echo "core listing / gcab -l:         $(ratio "$t_core" "$t_gcab")"
echo "window open / cabextract -l:    $(ratio "$t_window" "$t_cabextract")   (goal <= 2.0)"
echo "window open / gcab -l:          $(ratio "$t_window" "$t_gcab")"
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f '%M' -o "$work/peak.txt" "$window" "$install" "$cab" >/dev/null 2>&1
    peak_kb=$(tail -n 1 "$work/peak.txt")
else
    peak_kb=$("$window" "$install" "$cab" 2>&1 >/dev/null | sed -n 's/.*VmHWM: *\([0-9]*\).*/\1/p')
fi
echo "window peak memory: $((peak_kb / 1024)) MB ($peak_kb kB)   (goal < 64 MB)"
