# Shared pieces of the benchmark scripts. Source it; it sets:
#   CORVEX_BUILD  the build directory (bin/ holds corvex, makecab, extrac32)
#   BENCH_WORK    a scratch directory (on /dev/shm when there is room), kept between scripts
#   CORPUS        the unpacked benchmark corpus (../shared/bench/corpus.tar.xz)
here_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${CORVEX_BUILD:=$here_lib/../out/release}"
export CORVEX_BUILD
: "${CORVEX_SHARED:=$here_lib/../../shared}"
if [ -z "${BENCH_WORK:-}" ]; then
    if [ -d /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR==2{print $4}')" -gt 2000000 ]; then
        BENCH_WORK=/dev/shm/corvex-bench
    else
        BENCH_WORK=${TMPDIR:-/tmp}/corvex-bench
    fi
fi
export BENCH_WORK
mkdir -p "$BENCH_WORK"
CORPUS=$BENCH_WORK/corpus
export CORPUS
if [ ! -d "$CORPUS" ]; then
    tar -xJf "$CORVEX_SHARED/bench/corpus.tar.xz" -C "$BENCH_WORK"
fi

# median_seconds CMD...: median wall time of several runs of a shell command (hyperfine).
median_seconds() {
    local json=$BENCH_WORK/hyperfine.json
    hyperfine --style none --warmup 1 --runs "${BENCH_RUNS:-5}" --export-json "$json" "$@" >/dev/null 2>&1
    python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["median"])' "$json"
}

# ratio A B: A / B with three decimals.
ratio() { python3 -c 'import sys; print(f"{float(sys.argv[1])/float(sys.argv[2]):.3f}")' "$1" "$2"; }

# corpus_file_list FILE: the corpus's files, relative and in byte order, one a line.
corpus_file_list() {
    (cd "$CORPUS" && find . -type f | LC_ALL=C sort | sed 's|^\./||') >"$1"
}

# corpus_directive DDF LIST OUTDIR NAME TYPE [MEMORY]: a makecab directive putting the files of
# LIST (relative to the corpus) into one cabinet OUTDIR/NAME.cab, with no limit on its size.
corpus_directive() {
    local ddf=$1 list=$2 outdir=$3 name=$4 type=$5 memory=${6:-}
    {
        echo ".OPTION EXPLICIT"
        echo ".Set InfFileName=NUL"
        echo ".Set RptFileName=NUL"
        echo ".Set CabinetName1=$name.cab"
        echo ".Set DiskDirectoryTemplate=$outdir/"
        echo ".Set MaxDiskSize=0"
        echo ".Set Compress=on"
        echo ".Set CompressionType=$type"
        [ -n "$memory" ] && echo ".Set CompressionMemory=$memory"
        while IFS= read -r f; do
            printf '"%s/%s" "%s"\n' "$CORPUS" "$f" "${f//\//\\}"
        done <"$list"
    } >"$ddf"
}
