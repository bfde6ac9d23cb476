#!/usr/bin/env bash
# The benchmark: the updater against the floor the machine sets, side by side
# in one run under Wine (purge, sorted listing, start-up to the first box): the
# shipped 32-bit file against floors built for i686 where the machine runs
# 32-bit programs, and the x86_64 build of the same sources beside it; then the
# shipped file's footprint and two clean builds compared byte by byte.
# Options go to the Windows benchmark program (perf_bench --help lists them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then
    bash scripts/setup.sh test
fi
source scripts/x86-32.sh
cmake --preset release >/dev/null
cmake --build --preset release -j2 >/dev/null
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 >/dev/null
if wine_runs_32bit; then
    cmake --preset bench32 >/dev/null
    cmake --build --preset bench32 -j2 >/dev/null
    runs=("build/bench32 $root/build/release/Updater.exe" "build/bench $root/build/bench/bin/Updater.exe")
else
    echo "Timing only the x86_64 build, not the shipped 32-bit file: $no_32bit_reason."
    echo
    runs=("build/bench $root/build/bench/bin/Updater.exe")
fi

for run in "${runs[@]}"; do
    read -r tree image <<<"$run"
    echo "Timings of $image ($(pe_machine "$image")), floors and purge built in $tree"
    out=$root/$tree/perf_bench.txt
    (
        export WINEPREFIX="$root/build/bench/wineprefix" UPDATER_EXE=$image
        source scripts/wine-prefix.sh null
        trap wine_stop EXIT
        # Into a file, not a pipe: a Wine service started by the program would hold a pipe open.
        status=0
        loader=$WINE64
        [ "$(pe_machine "$tree/bin/perf_bench.exe")" != i386 ] || loader=$WINE32_LOADER
        "$loader" "$tree/bin/perf_bench.exe" "$@" </dev/null >"$out" 2>&1 || status=$?
        cat "$out"
        exit "$status"
    )
    echo
done

/usr/bin/python3 tests/perf/footprint.py build/release/Updater.exe
echo

# From the commit itself, not the working tree: two clean builds of HEAD.
commit=$(git rev-parse --short HEAD)
echo "Reproducible build of $commit"
rm -rf build/bench/commit
mkdir -p build/bench/commit
git archive HEAD | tar -x -C build/bench/commit
bash tests/perf/reproducible.sh build/bench/commit build/bench/reproducible
