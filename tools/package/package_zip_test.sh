#!/usr/bin/env bash
# The release zip: refused, naming what is missing, for an incomplete folder of
# game files; otherwise Updater.exe beside data, with code page 932 names, and
# SHA256SUMS beside it. Signed with a throwaway certificate when asked, and
# refused, naming the cause, for a wrong password or a file that is no
# certificate. A refusal leaves no zip, even where an earlier run left one.
# $1: a scratch folder. UPDATER_SHIPPED_EXE names the shipped Updater.exe,
# which the signing cases sign.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scratch=$1
shipped=${UPDATER_SHIPPED_EXE:?names the shipped Updater.exe (scripts/test.sh sets it)}
rm -rf "$scratch"
mkdir -p "$scratch"
unset GAME_FILES SIGN_PKCS12 SIGN_PASSWORD_FILE SIGN_TIMESTAMP_URL

source "$here/game-files.sh"
names=("${game_files[@]}")
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

# Runs the packager on folder $2 (signing with PKCS#12 file $4 and password
# file $5 when given) and expects a refusal whose message holds the line $3,
# and none of the outputs, though an earlier run left them all. $1 names the case.
expect_refusal() {
    local out=$scratch/refused
    rm -rf "$out"
    mkdir -p "$out/refused"
    printf 'an earlier zip' >"$out/refused.zip"
    printf 'an earlier list' >"$out/SHA256SUMS"
    printf 'an earlier Updater.exe' >"$out/refused/Updater.exe"
    if bash "$here/package_zip.sh" "$updater" "$2" "$out/refused.zip" "${4:-}" "${5:-}" \
        >"$scratch/stdout" 2>"$scratch/stderr"; then
        fail "$1: accepted"
    fi
    grep -q -x -F -- "$3" "$scratch/stderr" || fail "$1: the message lacks the line '$3': $(cat "$scratch/stderr")"
    [ -z "$(ls -A "$out")" ] || fail "$1: written or left: $(ls -A "$out")"
}
updater=$scratch/Updater.exe

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

# A folder of the zip's name that holds more than the last run wrote is kept.
complete_folder "$scratch/files"
mkdir -p "$scratch/kept/Calvento_update"
printf 'the publisher'"'"'s own' >"$scratch/kept/Calvento_update/notes.txt"
bash "$here/package_zip.sh" "$scratch/Updater.exe" "$scratch/files" "$scratch/kept/Calvento_update.zip" \
    >"$scratch/stdout" 2>"$scratch/stderr" && fail "a folder holding other files: accepted"
grep -q -x -F "package_zip: $scratch/kept/Calvento_update holds files other than Updater.exe; move them away; no \
zip written" "$scratch/stderr" || fail "a folder holding other files: $(cat "$scratch/stderr")"
[ "$(cd "$scratch/kept" && find . | LC_ALL=C sort | tr '\n' ' ')" = ". ./Calvento_update ./Calvento_update/notes.txt " ] ||
    fail "a folder holding other files: $(cd "$scratch/kept" && find .)"

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

# Beside the zip: its Updater.exe, unsigned the very input, and the two sums.
out=$scratch/out
cmp -s "$out/Calvento_update/Updater.exe" "$scratch/Updater.exe" || fail "the unsigned Updater.exe beside the zip differs"
(cd "$out" && sha256sum -c --strict SHA256SUMS >"$scratch/sums" 2>&1) || fail "sha256sum -c: $(cat "$scratch/sums")"
[ "$(sed 's/^[0-9a-f]\{64\}  //' "$out/SHA256SUMS")" = "Calvento_update.zip
Calvento_update/Updater.exe" ] || fail "SHA256SUMS names: $(cat "$out/SHA256SUMS")"

# A throwaway self-signed code-signing certificate, another that did not sign,
# and the PKCS#12 file of the first with its password in a file.
certs=$scratch/certs
mkdir -p "$certs"
printf 'throwaway password\n' >"$certs/password"
printf 'another password\n' >"$certs/wrong"
for name in publisher other; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Calvento test $name" \
        -addext extendedKeyUsage=codeSigning -keyout "$certs/$name.key" -out "$certs/$name.pem" \
        >"$scratch/openssl" 2>&1 || { cat "$scratch/openssl"; echo "FAILED: openssl made no certificate"; exit 1; }
done
openssl pkcs12 -export -inkey "$certs/publisher.key" -in "$certs/publisher.pem" -out "$certs/publisher.p12" \
    -passout "file:$certs/password" >"$scratch/openssl" 2>&1 ||
    { cat "$scratch/openssl"; echo "FAILED: openssl made no PKCS#12 file"; exit 1; }

# Signs the shipped file into the zip $2 through arguments or, when $1 is
# "environment", through the environment, and checks what went in.
check_signed() {
    local zip=$2 unpacked=${2%.zip}
    if [ "$1" = environment ]; then
        SIGN_PKCS12=$certs/publisher.p12 SIGN_PASSWORD_FILE=$certs/password \
            bash "$here/package_zip.sh" "$shipped" "$scratch/files" "$zip" >"$scratch/stdout" 2>&1
    else
        bash "$here/package_zip.sh" "$shipped" "$scratch/files" "$zip" "$certs/publisher.p12" "$certs/password" \
            >"$scratch/stdout" 2>&1
    fi || { fail "signing through $1 was refused: $(cat "$scratch/stdout")"; return; }
    /usr/bin/python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("Updater.exe"))' \
        "$zip" >"$scratch/signed.exe" || { fail "$1: no Updater.exe in the zip"; return; }
    cmp -s "$scratch/signed.exe" "$unpacked/Updater.exe" || fail "$1: the Updater.exe beside the zip is not the one in it"
    ! cmp -s "$scratch/signed.exe" "$shipped" || fail "$1: Updater.exe went in unsigned"
    osslsigncode verify -CAfile "$certs/publisher.pem" -in "$scratch/signed.exe" >"$scratch/verify" 2>&1 ||
        fail "$1: osslsigncode verify refused the signature: $(cat "$scratch/verify")"
    grep -q -x 'Message digest algorithm *: SHA256 *' "$scratch/verify" ||
        fail "$1: not a SHA-256 digest: $(grep 'digest algorithm' "$scratch/verify")"
    ! osslsigncode verify -CAfile "$certs/other.pem" -in "$scratch/signed.exe" >"$scratch/verify" 2>&1 ||
        fail "$1: the signature verified against a certificate that did not sign it"
    /usr/bin/python3 "$here/../../tests/resources/check_pe.py" "$scratch/signed.exe" >"$scratch/pe" 2>&1 ||
        fail "$1: the signed file's header, imports or resources changed: $(cat "$scratch/pe")"
    (cd "$(dirname "$zip")" && sha256sum -c --strict SHA256SUMS >"$scratch/sums" 2>&1) ||
        fail "$1: sha256sum -c: $(cat "$scratch/sums")"
}
check_signed arguments "$scratch/signed/Calvento_update.zip"
check_signed environment "$scratch/signed-env/Calvento_update.zip"

updater=$shipped
expect_refusal "wrong password" "$scratch/files" "package_zip: SIGN_PASSWORD_FILE=$certs/wrong does not hold the \
password of SIGN_PKCS12=$certs/publisher.p12; no zip written. osslsigncode said:" "$certs/publisher.p12" "$certs/wrong"
expect_refusal "a certificate without its key" "$scratch/files" "package_zip: SIGN_PKCS12=$certs/publisher.pem is not \
a PKCS#12 file (a certificate with its private key); no zip written. osslsigncode said:" "$certs/publisher.pem" \
    "$certs/password"
expect_refusal "PKCS#12 file absent" "$scratch/files" \
    "package_zip: SIGN_PKCS12=$certs/none.p12 does not exist; no zip written" "$certs/none.p12" "$certs/password"
expect_refusal "password file absent" "$scratch/files" \
    "package_zip: SIGN_PASSWORD_FILE=$certs/none does not exist; no zip written" "$certs/publisher.p12" "$certs/none"
expect_refusal "password file a folder" "$scratch/files" \
    "package_zip: SIGN_PASSWORD_FILE=$certs is not a file; no zip written" "$certs/publisher.p12" "$certs"
expect_refusal "no password file" "$scratch/files" "package_zip: signing needs SIGN_PASSWORD_FILE, a file holding \
the password of $certs/publisher.p12; no zip written" "$certs/publisher.p12" ""
expect_refusal "no PKCS#12 file" "$scratch/files" "package_zip: signing needs SIGN_PKCS12, the PKCS#12 file of the \
certificate and its key; no zip written" "" "$certs/password"

[ $failures = 0 ] || exit 1
echo "package_zip: all checks passed"
