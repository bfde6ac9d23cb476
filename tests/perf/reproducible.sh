#!/usr/bin/env bash
# Builds the shipped Updater.exe twice from the same sources, each time clean
# and in a build folder of its own (of a different name and depth, so that a
# path that leaked into the file would show), and fails unless the two files
# are byte-identical. Usage: reproducible.sh SOURCE_DIR WORK_DIR
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: reproducible.sh SOURCE_DIR WORK_DIR" >&2
    exit 2
fi
source_dir=$(cd "$1" && pwd)
work=$2
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

builds=("$work/first" "$work/second/of/two")
for build in "${builds[@]}"; do
    # The release preset's settings, in another folder.
    cmake -S "$source_dir" --preset release -B "$build" >"$work/configure.log" 2>&1 ||
        { cat "$work/configure.log"; exit 1; }
    cmake --build "$build" --target Updater -j2 >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
done

first=${builds[0]}/Updater.exe
second=${builds[1]}/Updater.exe
sha256sum "$first" "$second"
if ! cmp "$first" "$second"; then
    echo "The two builds differ; the first differing bytes:"
    cmp -l "$first" "$second" | head -20
    exit 1
fi
echo "Two clean builds of Updater.exe are byte-identical ($(stat -c %s "$first") bytes)."
