#!/usr/bin/env bash
# The release zip: refused, naming what is missing, for an incomplete folder of
# game files; otherwise Updater.exe beside data, with code page 932 names.
# $1: a scratch folder.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scratch=$1
rm -rf "$scratch"
mkdir -p "$scratch"
unset GAME_FILES

names=(inst.ini qzfchk.ini セーブファイル設定.exe updchk/bn.kpk pac/update1.kpk pac/update2.kpk)
printf 'MZ stand-in for Updater.exe' >"$scratch/Updater.exe"

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# A complete folder of game files, each holding its own name, and one file
# the updater never copies.
complete_folder() {
    rm -rf "$1"
    mkdir -p "$1/updchk" "$1/pac"
    for name in "${names[@]}"; do
        printf 'new %s' "$name" >"$1/$name"
    done
    printf 'not for players' >"$1/readme.txt"
}

# Runs the packager on folder $2 and expects a refusal whose message holds the
# line $3. $1 names the case.
expect_refusal() {
    local zip=$scratch/refused.zip
    rm -f "$zip"
    if bash "$here/package_zip.sh" "$scratch/Updater.exe" "$2" "$zip" >"$scratch/stdout" 2>"$scratch/stderr"; then
        fail "$1: accepted"
    fi
    grep -q -x -F -- "$3" "$scratch/stderr" || fail "$1: the message lacks the line '$3': $(cat "$scratch/stderr")"
    [ ! -e "$zip" ] || fail "$1: a zip was written"
}

expect_refusal "no folder given" "" "  (or set GAME_FILES in the environment); it must hold ${names[*]}"
expect_refusal "folder absent" "$scratch/nowhere" "package_zip: GAME_FILES=$scratch/nowhere is not a folder"
for name in "${names[@]}"; do
    complete_folder "$scratch/files"
    rm "$scratch/files/$name"
    expect_refusal "without $name" "$scratch/files" "  $name"
done
complete_folder "$scratch/files"
rm "$scratch/files/inst.ini"
mkdir "$scratch/files/inst.ini"
expect_refusal "inst.ini is a folder" "$scratch/files" "  inst.ini"

# A complete folder, named through the environment as the build allows.
complete_folder "$scratch/files"
zip=$scratch/out/Calvento_update.zip
GAME_FILES=$scratch/files bash "$here/package_zip.sh" "$scratch/Updater.exe" "" "$zip" >"$scratch/stdout" 2>&1 ||
    fail "a complete folder was refused: $(cat "$scratch/stdout")"
grep -q -x -F '  readme.txt' "$scratch/stdout" || fail "the file left out is not named: $(cat "$scratch/stdout")"

# The listing as a player's unzip sees it: raw name bytes, the UTF-8 flag, contents.
listing=$(/usr/bin/python3 - "$zip" <<'EOF'
import sys, zipfile
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    utf8 = bool(info.flag_bits & 0x800)
    raw = info.filename.encode('utf-8' if utf8 else 'cp437')
    content = '' if info.is_dir() else zipfile.ZipFile(sys.argv[1]).read(info).decode()
    print('%s|%s|%s' % (raw.decode('cp932'), 'utf8-flag' if utf8 else 'no-flag', content))
EOF
)
expected="Updater.exe|no-flag|MZ stand-in for Updater.exe
data/|no-flag|
data/inst.ini|no-flag|new inst.ini
data/pac/|no-flag|
data/pac/update1.kpk|no-flag|new pac/update1.kpk
data/pac/update2.kpk|no-flag|new pac/update2.kpk
data/qzfchk.ini|no-flag|new qzfchk.ini
data/updchk/|no-flag|
data/updchk/bn.kpk|no-flag|new updchk/bn.kpk
data/セーブファイル設定.exe|no-flag|new セーブファイル設定.exe"
[ "$(LC_ALL=C sort <<<"$listing")" = "$(LC_ALL=C sort <<<"$expected")" ] ||
    fail "the zip holds:
$listing
expected:
$expected"

[ $failures = 0 ] || exit 1
echo "package_zip: all checks passed"
