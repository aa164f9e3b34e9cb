#!/usr/bin/env bash
# LZX against the peers on the benchmark corpus, in one run: output size at windows 15, 18 and
# 21 against our MSZIP and against xz -6 and gzip -6 of the same bytes, and the time of LZX 21
# against gzip -6. Goals: LZX 21 at most 0.85 of gzip's size, at most 4 times its time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"

lzxfolder=$CORVEX_BUILD/bin/lzxfolder
all=$BENCH_WORK/lzx-corpus.bin
find "$CORPUS" -type f -print0 | LC_ALL=C sort -z | xargs -0 cat > "$all"
bytes=$(stat -c %s "$all")

gzip_size=$(gzip -6 -c "$all" | wc -c)
xz_size=$(xz -6 -T1 -c "$all" | wc -c)
echo "corpus: $bytes bytes; gzip -6: $gzip_size; xz -6: $xz_size"

for window in 15 18 21; do
    cab=$BENCH_WORK/lzx-$window.cab
    "$lzxfolder" "$window" "$all" "$cab"
    size=$(stat -c %s "$cab")
    echo "LZX $window: $size bytes; vs gzip -6 $(ratio "$size" "$gzip_size"); vs xz -6 $(ratio "$size" "$xz_size")"
done

lzx_time=$(median_seconds "$lzxfolder 21 $all $BENCH_WORK/lzx-21.cab")
gzip_time=$(median_seconds "gzip -6 -c $all > /dev/null")
echo "time LZX 21: ${lzx_time}s; gzip -6: ${gzip_time}s; LZX 21 / gzip -6: $(ratio "$lzx_time" "$gzip_time")"
