#!/usr/bin/env bash
# Writes the release zip as players unpack it: Updater.exe beside "data", which
# holds the six files the updater copies, taken from the publisher's folder.
# $1: Updater.exe; $2: the folder of new game files ($GAME_FILES when empty);
# $3: the zip to write. Nothing is written unless all six files are there.
set -euo pipefail

updater=$1
files=${2:-${GAME_FILES:-}}
zip_path=$3

# The files the updater copies, relative to "data"; Linux names are UTF-8.
names=(inst.ini qzfchk.ini セーブファイル設定.exe updchk/bn.kpk pac/update1.kpk pac/update2.kpk)

refuse() {
    echo "package_zip: $*" >&2
    exit 1
}

[ -n "$files" ] || refuse "no folder of new game files: configure with -DGAME_FILES=/path/to/files
  (or set GAME_FILES in the environment); it must hold ${names[*]}"
[ -d "$files" ] || refuse "GAME_FILES=$files is not a folder"
missing=()
for name in "${names[@]}"; do
    [ -f "$files/$name" ] || missing+=("$name")
done
if [ ${#missing[@]} -gt 0 ]; then
    {
        echo "package_zip: $files lacks what the updater copies; no zip written. Missing:"
        printf '  %s\n' "${missing[@]}"
    } >&2
    exit 1
fi
[ -f "$updater" ] || refuse "no $updater"
command -v zip >/dev/null || refuse "zip is not installed (bash scripts/setup.sh demo installs it)"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/data/updchk" "$stage/data/pac"
cp "$updater" "$stage/Updater.exe"
for name in "${names[@]}"; do
    # Stored in code page 932 without zip's UTF-8 flag: the updater only works
    # where Windows' code page is 932, and there every unzip reads such names,
    # while some still ignore the flag and would garble a UTF-8 name.
    cp -p "$files/$name" "$stage/data/$(printf '%s' "$name" | iconv -f UTF-8 -t CP932)"
done
# The C locale keeps zip from adding names of its own in another encoding.
(cd "$stage" && LC_ALL=C zip -q -X -r "$stage/package.zip" Updater.exe data)
mkdir -p "$(dirname "$zip_path")"
mv "$stage/package.zip" "$zip_path"

echo "Wrote $zip_path:"
echo "  Updater.exe"
printf '  data/%s\n' "${names[@]}"
others=$(cd "$files" && find . -type f -printf '%P\n' | grep -v -x -F -f <(printf '%s\n' "${names[@]}") | LC_ALL=C sort || true)
if [ -n "$others" ]; then
    echo "Not shipped (the updater copies only the six files above):"
    printf '%s\n' "$others" | sed 's/^/  /'
fi
