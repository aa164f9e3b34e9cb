#!/usr/bin/env bash
# AddDirectoryTree of a tree of 20,000 files against `find TREE -type f` (time ratio).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
benchbin=$CORVEX_BUILD/bench
tree=$BENCH_WORK/addtree/tree

# 200 directories in two levels, 100 files each, named and sized from the corpus, made once.
if [ ! -f "$BENCH_WORK/addtree/done" ]; then
    rm -rf "$tree"
    mkdir -p "$tree"
    python3 - "$tree" "$CORPUS" <<'PY'
import os, sys
tree, corpus = sys.argv[1], sys.argv[2]
sources = sorted(os.path.join(d, f) for d, _, fs in os.walk(corpus) for f in fs)
n = 0
for top in range(20):
    for sub in range(10):
        d = os.path.join(tree, f"part{top:02d}", f"group{sub}")
        os.makedirs(d, exist_ok=True)
        for k in range(100):
            src = sources[n % len(sources)]
            with open(src, "rb") as f:
                data = f.read(512)
            with open(os.path.join(d, f"{k:03d}-{os.path.basename(src)}"), "wb") as f:
                f.write(data)
            n += 1
PY
    touch "$BENCH_WORK/addtree/done"
fi
printf 'tree: %s files\n' "$(find "$tree" -type f | wc -l)"

t_find=$(median_seconds "find '$tree' -type f > /dev/null")
t_add=$(median_seconds "'$benchbin/addtree_bench' '$tree'")
echo "find TREE -type f: ${t_find}s"
echo "AddDirectoryTree: ${t_add}s  ratio $(ratio "$t_add" "$t_find")  (goal <= 3)"
