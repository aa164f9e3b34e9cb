#!/usr/bin/env bash
# makecab LZX against the peers on the benchmark corpus, in one run: cabinet size at
# CompressionMemory 15, 18 and 21 against our MSZIP cabinet and against xz -6 and gzip -6 of the
# same files concatenated in the same order, and the time of LZX 21 against gzip -6.
# Goals: LZX 21 at most 0.85 of gzip -6's size, and at most 4 times its time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

makecab=$CORVEX_BUILD/bin/makecab
work=$BENCH_WORK/lzx
rm -rf "$work"
mkdir -p "$work/out"

list=$work/files.txt
corpus_file_list "$list"
all=$work/corpus.bin
(cd "$CORPUS" && xargs -d '\n' cat <"$list") >"$all"

# directive NAME TYPE [MEMORY]: a one-cabinet directive over the corpus; prints its path.
directive() {
    corpus_directive "$work/$1.ddf" "$list" "$work/out" "$@"
    echo "$work/$1.ddf"
}

gzip_size=$(gzip -6 -c "$all" | wc -c)
xz_size=$(xz -6 -T1 -c "$all" | wc -c)
"$makecab" /f "$(directive mszip MSZIP)" >/dev/null
mszip_size=$(stat -c %s "$work/out/mszip.cab")
echo "corpus: $(stat -c %s "$all") bytes; gzip -6: $gzip_size; xz -6: $xz_size; makecab MSZIP: $mszip_size"

for memory in 15 18 21; do
    "$makecab" /f "$(directive lzx$memory LZX $memory)" >/dev/null
    cab=$work/out/lzx$memory.cab
    cabextract -q -t "$cab" >/dev/null
    size=$(stat -c %s "$cab")
    echo "makecab LZX $memory: $size bytes; / gzip -6 $(ratio "$size" "$gzip_size");" \
        "/ xz -6 $(ratio "$size" "$xz_size"); / MSZIP $(ratio "$size" "$mszip_size")"
done
echo "LZX 21 size / gzip -6: $(ratio "$(stat -c %s "$work/out/lzx21.cab")" "$gzip_size") (goal <= 0.85)"

lzx_time=$(median_seconds "$makecab /f $work/lzx21.ddf >/dev/null")
gzip_time=$(median_seconds "gzip -6 -c $all >/dev/null")
echo "time: makecab LZX 21 ${lzx_time}s; gzip -6 ${gzip_time}s"
echo "LZX 21 time / gzip -6: $(ratio "$lzx_time" "$gzip_time") (goal <= 4.0)"
