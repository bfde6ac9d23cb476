#!/usr/bin/env bash
# Builds the shipped image and the test builds, and runs every test: the fuzz
# targets and the checks of the shipped file on the host, the rest under Wine.
# The end-to-end tables run against the shipped 32-bit image, or the file that
# UPDATER_EXE names; only where the machine cannot run 32-bit programs do they
# fall back to the x86_64 build of the same sources, and the last lines say so.
# Extra arguments go to ctest.
set -euo pipefail
if [ -n "${UPDATER_EXE:-}" ]; then
    # Named from where the command was typed.
    [ -f "$UPDATER_EXE" ] || { echo "test.sh: UPDATER_EXE=$UPDATER_EXE is no file" >&2; exit 2; }
    given=$(realpath "$UPDATER_EXE")
fi
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then
    bash scripts/setup.sh test
fi
source scripts/x86-32.sh

cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
cmake --preset test >/dev/null
cmake --build --preset test -j"$(nproc)"
# Built even where it cannot run, so that 32-bit-only faults still break the build.
cmake --preset test32 >/dev/null
cmake --build --preset test32 -j"$(nproc)"

# The fuzz targets, a host build with clang, each for FUZZ_SECONDS (default
# 25; 0 skips them), before the Wine tests so that their summary comes last.
fuzz_seconds=${FUZZ_SECONDS:-25}
if [ "$fuzz_seconds" != 0 ]; then
    CC=clang CXX=clang++ cmake -S tests/fuzz -B build/fuzz -DFUZZ_SECONDS="$fuzz_seconds" >/dev/null
    cmake --build build/fuzz -j"$(nproc)"
    ctest --test-dir build/fuzz --output-on-failure
fi

# The shipped image: the one this run built, or the one named.
export UPDATER_SHIPPED_EXE=${given:-$root/build/release/Updater.exe}
if wine_runs_32bit; then
    export UPDATER_EXE=$UPDATER_SHIPPED_EXE
    units32=1
    ran="ran against ${given:+UPDATER_EXE, }$UPDATER_EXE ($(pe_machine "$UPDATER_EXE"))"
else
    units32=
    if [ -n "${given:-}" ]; then
        if [ "$(pe_machine "$given")" = i386 ]; then
            echo "test.sh: UPDATER_EXE names a 32-bit image, which cannot run here: $no_32bit_reason" >&2
            exit 1
        fi
        export UPDATER_EXE=$given
        ran="ran against UPDATER_EXE, $UPDATER_EXE ($(pe_machine "$UPDATER_EXE"))"
    else
        export UPDATER_EXE=$root/build/test/bin/Updater.exe
        ran="ran against the x86_64 build $UPDATER_EXE, NOT the shipped 32-bit image: $no_32bit_reason"
    fi
fi
# The updaters with the failing-allocation and failing-DLL seams and the icon
# hook, of the same machine as the image under test: a hook enters only a
# process of its own bitness.
bin=$root/build/test/bin
[ "$(pe_machine "$UPDATER_EXE")" != i386 ] || bin=$root/build/test32/bin
export UPDATER_ALLOCFAIL_EXE=$bin/UpdaterAllocFail.exe UPDATER_DLLFAIL_EXE=$bin/UpdaterDllFail.exe
export UPDATER_ICON_HOOK_HOST=$bin/icon_hook_host.exe

# Wine starts that failed before the program ran, tried once more (tests/wine-run).
export WINE_RETRY_LOG=$root/build/test/wine-retries.log
rm -f "$WINE_RETRY_LOG"

run_tests() {
    export WINEPREFIX="$root/build/test/wineprefix"
    source scripts/wine-prefix.sh null
    trap wine_stop EXIT
    local status=0
    ctest --preset test -j1 "$@" || status=$?
    if [ -n "$units32" ]; then
        echo "The unit tests of the 32-bit build:"
        ctest --preset test32 -j1 "$@" || status=$?
    fi
    return "$status"
}

status=0
if [ "$(id -u)" = 0 ]; then
    # Without this capability root writes read-only files as any owner would
    # not, and a read-only destination could not fail its copy. The wineserver,
    # which opens the files, must start under it too.
    export -f run_tests
    export root units32
    setpriv --inh-caps=-dac_override --bounding-set=-dac_override bash -c 'run_tests "$@"' run_tests "$@" ||
        status=$?
else
    run_tests "$@" || status=$?
fi

retries=0
[ ! -f "$WINE_RETRY_LOG" ] || retries=$(wc -l <"$WINE_RETRY_LOG")
echo
echo "Wine starts tried again (no output, ended within 150 ms): $retries"
[ "$retries" = 0 ] || sed 's/^/  /' "$WINE_RETRY_LOG"
echo "End-to-end tables $ran."
if [ -n "$units32" ]; then
    echo "Unit tests: x86_64 and i686 builds."
else
    echo "Unit tests: x86_64 build only; the i686 build was built, not run."
fi
exit "$status"
