#!/usr/bin/env bash
# makecab (MSZIP) against gcab -c -z on the corpus: time ratio and size ratio (ours / gcab's).
# Goals: size at most 0.93, time at most 1.0.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

makecab=$CORVEX_BUILD/bin/makecab
work=$BENCH_WORK/makecab
rm -rf "$work"
mkdir -p "$work/out"

# The same files in the same order for both: gcab takes them relative to the corpus.
list=$work/files.txt
corpus_file_list "$list"
ddf=$work/corpus.ddf
corpus_directive "$ddf" "$list" "$work/out" ours MSZIP

ours=$(median_seconds "$makecab /f $ddf >/dev/null")
theirs=$(median_seconds "cd $CORPUS && xargs -d '\n' gcab -c -z $work/gcab.cab <$list")
ours_size=$(stat -c %s "$work/out/ours.cab")
gcab_size=$(stat -c %s "$work/gcab.cab")
cabextract -q -t "$work/out/ours.cab" >/dev/null

echo "makecab MSZIP: $ours_size bytes in ${ours}s; gcab -c -z: $gcab_size bytes in ${theirs}s"
echo "makecab/gcab time ratio: $(ratio "$ours" "$theirs") (goal <= 1.0)"
echo "makecab/gcab size ratio: $(ratio "$ours_size" "$gcab_size") (goal <= 0.93)"
