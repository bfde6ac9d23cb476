#!/usr/bin/env bash
# One quick run of the README's demo: its transcript, its index, and screenshots
# that exist and are not blank, with the updater image under test (UPDATER_EXE).
# $1: the folder of the player and the game stand-in, $2: a scratch folder.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$1
out=$2
rm -rf "$out"
mkdir -p "$out"

bash "$here/../../scripts/demo.sh" --quick --bin "$bin" --updater "${UPDATER_EXE:?names the image under test}" \
    --out "$out/demo" >"$out/transcript.txt" 2>&1
status=$?
cat "$out/transcript.txt"

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
[ $status = 0 ] || fail "demo.sh ended with $status"

# What a reviewer reads in the terminal, line by line, in this order.
expected=(
    'Box 1: Calvento-カルベント- 森と湖と旅路と約束と アップデート    [Yes / No, information icon]'
    '  | ※ご注意※'
    '  screenshot box-01.png, answered Yes'
    'Box 2: Calvento-カルベント- 森と湖と旅路と約束と アップデート    [Yes / No, information icon]'
    '  | アップデート処理を開始します。よろしいですか？'
    '  screenshot box-02.png, answered Yes'
    'Box 3: 完了    [OK]'
    '  | アップデート成功しました。ショートカットまたはスタートメニューからゲームを起動してください。'
    '  screenshot box-03.png, answered OK'
    'Updater.exe ended with exit code 0 after 3 boxes.'
)
line=0
for want in "${expected[@]}"; do
    found=$(tail -n +$((line + 1)) "$out/transcript.txt" | grep -n -x -F -m 1 -- "$want" | cut -d: -f1)
    if [ -z "$found" ]; then
        fail "the transcript lacks, after line $line: $want"
    else
        line=$((line + found))
    fi
done
grep -q -F 'Box 4' "$out/transcript.txt" && fail "a fourth box was shown"

# The account of the installation, in any order.
for want in '  replaced  inst.ini  (ver1.00 -> ver1.02)' '  replaced  セーブファイル設定.exe  (ver1.00 -> ver1.02)' \
    '  added     pac\update2.kpk' '  kept      save\config.ini' '  kept      save\01.sd.bak' '  kept      save\backup\03.sd' \
    '  deleted   save\01.sd' '  deleted   save\02.sd' '  deleted   save\SYSTEM.SD'; do
    grep -q -x -F -- "$want" "$out/transcript.txt" || fail "the account lacks: $want"
done

# The index lists the three screenshots in order, each with its text.
index=$out/demo/index.md
[ "$(grep -o 'box-0[0-9]\.png' "$index" | tr '\n' ' ')" = "box-01.png box-02.png box-03.png " ] ||
    fail "index.md does not list box-01.png to box-03.png in order"
grep -q -x -F 'アップデート成功しました。ショートカットまたはスタートメニューからゲームを起動してください。' "$index" ||
    fail "index.md lacks the success text"

# A blank or failed capture has one colour only.
for number in 01 02 03; do
    shot=$out/demo/box-$number.png
    if [ ! -s "$shot" ]; then
        fail "no $shot"
        continue
    fi
    deviation=$(identify -format '%[fx:standard_deviation]' "$shot" 2>/dev/null)
    width=$(identify -format '%w' "$shot" 2>/dev/null)
    awk -v d="${deviation:-0}" 'BEGIN { exit !(d > 0.01) }' || fail "$shot is blank (standard deviation ${deviation:-none})"
    [ "${width:-0}" -gt 200 ] || fail "$shot is ${width:-no} pixels wide: not a whole box"
done

[ $failures = 0 ] || exit 1
echo "demo: all checks passed"
