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
