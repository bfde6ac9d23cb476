#!/usr/bin/env bash
# The benchmark: the updater against the floor the machine sets, side by side
# in one run under wine64 (purge, sorted listing, start-up to the first box),
# then the shipped file's footprint and two clean builds compared byte by byte.
# Options go to the Windows benchmark program (perf_bench --help lists them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then
    bash scripts/setup.sh test
fi
# The shipped i686 file, for its footprint; 32-bit programs cannot run here, so
# the timings run the same sources built for x86_64 with the same optimisation.
cmake --preset release >/dev/null
cmake --build --preset release -j2 >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 >/dev/null

out=$root/build/bench/perf_bench.txt
(
    export WINEPREFIX="$root/build/bench/wineprefix"
    source scripts/wine-prefix.sh null
    # Into a file, not a pipe: a Wine service started by the program would hold a pipe open.
    status=0
    "$WINE64" build/bench/bin/perf_bench.exe "$@" </dev/null >"$out" 2>&1 || status=$?
    cat "$out"
    exit "$status"
)

/usr/bin/python3 tests/perf/footprint.py build/release/Updater.exe
echo

# From the commit itself, not the working tree: two clean builds of HEAD.
commit=$(git rev-parse --short HEAD)
echo "Reproducible build of $commit"
rm -rf build/bench/commit
mkdir -p build/bench/commit
git archive HEAD | tar -x -C build/bench/commit
bash tests/perf/reproducible.sh build/bench/commit build/bench/reproducible
