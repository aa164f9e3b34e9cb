#!/usr/bin/env bash
# CabToSfx and SfxToCab on a 200 MB cabinet against `cat stub cabinet > out` (time ratios).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bin=$CORVEX_BUILD/bin
benchbin=$CORVEX_BUILD/bench
work=$BENCH_WORK/sfx
mkdir -p "$work"

# The stub: the real extrac32 when it is built, else a stand-in of similar size.
stubdir=$work/stub
mkdir -p "$stubdir"
if [ -x "$bin/extrac32" ]; then
    cp "$bin/extrac32" "$stubdir/extrac32"
else
    head -c 200000 /dev/zero | tr '\0' 's' > "$stubdir/extrac32"
fi

# A stored cabinet of the corpus six times over (about 197 MB), made once.
cab=$work/big.cab
if [ ! -f "$cab" ]; then
    files=()
    for i in 1 2 3 4 5 6; do
        [ -e "$work/c$i" ] || ln -s "$CORPUS" "$work/c$i"
        files+=("c$i")
    done
    # One gcab run over every file: gcab starts the cabinet afresh each time it runs.
    (cd "$work" && mapfile -d '' list < <(find -L "${files[@]}" -type f -print0 | sort -z) && gcab -c big.cab "${list[@]}")
fi
printf 'cabinet: %s bytes, stub: %s bytes\n' "$(stat -c %s "$cab")" "$(stat -c %s "$stubdir/extrac32")"

t_cat=$(median_seconds "cat '$stubdir/extrac32' '$cab' > '$work/cat.out'")
t_tosfx=$(median_seconds "'$benchbin/sfx_bench' tosfx '$cab' '$stubdir'")
# SfxToCab reads the executable CabToSfx wrote; its output is big.cab again, so work on a copy.
cp "$work/big.exe" "$work/copy.exe"
t_tocab=$(median_seconds "'$benchbin/sfx_bench' tocab '$work/copy.exe'")
cmp -s "$work/copy.cab" "$cab" || { echo "SfxToCab output differs from the cabinet" >&2; exit 1; }
echo "cat stub cabinet > out: ${t_cat}s"
echo "CabToSfx: ${t_tosfx}s  ratio $(ratio "$t_tosfx" "$t_cat")  (goal <= 2.0)"
echo "SfxToCab: ${t_tocab}s  ratio $(ratio "$t_tocab" "$t_cat")  (goal <= 2.0)"
rm -f "$work/cat.out" "$work/copy.exe" "$work/copy.cab" "$work/big.exe"
