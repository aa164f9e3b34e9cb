#!/usr/bin/env bash
# extrac32 against cabextract: both extract the same MSZIP cabinet of the corpus (written by
# gcab) into a fresh directory on $BENCH_WORK. Prints the medians and the time ratio.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

extrac32=$CORVEX_BUILD/bin/extrac32
cab=$BENCH_WORK/extrac32-corpus-mszip.cab
out=$BENCH_WORK/extrac32-out
peer_out=$BENCH_WORK/extrac32-peer-out

if [ ! -s "$cab" ]; then
    mapfile -t files < <(cd "$CORPUS" && find . -type f | sed 's|^\./||' | sort)
    (cd "$CORPUS" && gcab -c -z "$cab" "${files[@]}")
fi

# Same bytes out of both before any timing counts.
rm -rf "$out" "$peer_out"
"$extrac32" /Y /L "$out" "$cab"
cabextract -q -d "$peer_out" "$cab"
diff -r "$out" "$peer_out" >/dev/null || { echo "extrac32 and cabextract disagree" >&2; exit 1; }

ours=$(median_seconds --prepare "rm -rf '$out'" "'$extrac32' /Y /L '$out' '$cab'")
peer=$(median_seconds --prepare "rm -rf '$peer_out'" "cabextract -q -d '$peer_out' '$cab'")
rm -rf "$out" "$peer_out"

echo "cabinet: $(stat -c %s "$cab") bytes, $(find "$CORPUS" -type f | wc -l) files (gcab -c -z)"
echo "extrac32 /Y /L:    ${ours} s (median)"
echo "cabextract -q -d:  ${peer} s (median)"
echo "time ratio extrac32/cabextract: $(ratio "$ours" "$peer") (goal <= 1.1)"
