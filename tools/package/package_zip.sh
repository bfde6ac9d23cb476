#!/usr/bin/env bash
# Writes the release zip as players unpack it: Updater.exe beside "data", which
# holds the six files the updater copies, taken from the publisher's folder.
# Beside the zip: SHA256SUMS, and the Updater.exe that went into it in a folder
# of the zip's name, where Windows' "Extract All" puts it, so that
# `sha256sum -c SHA256SUMS` checks both there as on a player's machine.
# $1: Updater.exe; $2: the folder of new game files ($GAME_FILES when empty);
# $3: the zip to write, ending in .zip; $4, $5, $6: the PKCS#12 file to sign
# Updater.exe with, the file holding its password, and a time-stamp server
# ($SIGN_PKCS12, $SIGN_PASSWORD_FILE, $SIGN_TIMESTAMP_URL when empty; unsigned
# when none is given). A refusal leaves none of the three outputs.
set -euo pipefail

updater=$1
files=${2:-${GAME_FILES:-}}
zip_path=$3
pkcs12=${4:-${SIGN_PKCS12:-}}
password_file=${5:-${SIGN_PASSWORD_FILE:-}}
timestamp_url=${6:-${SIGN_TIMESTAMP_URL:-}}

source "$(dirname "$0")/game-files.sh"
names=("${game_files[@]}")

refuse() {
    echo "package_zip: $*" >&2
    exit 1
}

zip_dir=$(dirname "$zip_path")
zip_name=$(basename "$zip_path")
case $zip_name in
?*.zip) ;;
*) refuse "$zip_path: the zip's name must end in .zip" ;;
esac
unpacked_name=${zip_name%.zip}
unpacked=$zip_dir/$unpacked_name
sums_path=$zip_dir/SHA256SUMS
# Whatever an earlier run wrote goes first: after a refusal no older zip may
# pass for this run's. A folder holding anything else is not this script's.
rm -f "$zip_path" "$sums_path" "$unpacked/Updater.exe"
if [ -e "$unpacked" ] && ! rmdir "$unpacked" 2>/dev/null; then
    refuse "$unpacked holds files other than Updater.exe; move them away; no zip written"
fi

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
if [ -n "$pkcs12" ] || [ -n "$password_file" ] || [ -n "$timestamp_url" ]; then
    [ -n "$pkcs12" ] || refuse "signing needs SIGN_PKCS12, the PKCS#12 file of the certificate and its key; no zip written"
    [ -n "$password_file" ] ||
        refuse "signing needs SIGN_PASSWORD_FILE, a file holding the password of $pkcs12; no zip written"
    for input in "SIGN_PKCS12=$pkcs12" "SIGN_PASSWORD_FILE=$password_file"; do
        path=${input#*=}
        [ -e "$path" ] || refuse "$input does not exist; no zip written"
        [ -f "$path" ] || refuse "$input is not a file; no zip written"
        [ -r "$path" ] || refuse "$input cannot be read; no zip written"
    done
    command -v osslsigncode >/dev/null ||
        refuse "osslsigncode is not installed (bash scripts/setup.sh demo installs it); no zip written"
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/data/updchk" "$stage/data/pac"
if [ -n "$pkcs12" ]; then
    # The password reaches osslsigncode as a file name, never on a command line.
    sign=(osslsigncode sign -pkcs12 "$pkcs12" -readpass "$password_file" -h sha256)
    if [ -n "$timestamp_url" ]; then
        sign+=(-ts "$timestamp_url")
    fi
    if ! "${sign[@]}" -in "$updater" -out "$stage/Updater.exe" >"$stage/sign.log" 2>&1; then
        # The cause as osslsigncode words it.
        if grep -q 'Wrong password' "$stage/sign.log"; then
            cause="SIGN_PASSWORD_FILE=$password_file does not hold the password of SIGN_PKCS12=$pkcs12"
        elif grep -q 'Failed to extract PKCS#12 data' "$stage/sign.log"; then
            cause="SIGN_PKCS12=$pkcs12 is not a PKCS#12 file (a certificate with its private key)"
        else
            cause="osslsigncode could not sign $updater"
        fi
        {
            echo "package_zip: $cause; no zip written. osslsigncode said:"
            sed 's/^/  /' "$stage/sign.log"
        } >&2
        exit 1
    fi
else
    cp "$updater" "$stage/Updater.exe"
fi
for name in "${names[@]}"; do
    # Stored in code page 932 without zip's UTF-8 flag: the updater only works
    # where Windows' code page is 932, and there every unzip reads such names,
    # while some still ignore the flag and would garble a UTF-8 name.
    cp -p "$files/$name" "$stage/data/$(printf '%s' "$name" | iconv -f UTF-8 -t CP932)"
done
# The C locale keeps zip from adding names of its own in another encoding.
(cd "$stage" && LC_ALL=C zip -q -X -r "$stage/package.zip" Updater.exe data)
mkdir -p "$stage/out/$unpacked_name"
mv "$stage/package.zip" "$stage/out/$zip_name"
cp -p "$stage/Updater.exe" "$stage/out/$unpacked_name/Updater.exe"
(cd "$stage/out" && sha256sum "$zip_name" "$unpacked_name/Updater.exe" >SHA256SUMS)
mkdir -p "$zip_dir"
mv "$stage/out/$unpacked_name" "$zip_dir/"
mv "$stage/out/SHA256SUMS" "$sums_path"
# The zip last: where it is, the other two are.
mv "$stage/out/$zip_name" "$zip_path"

echo "Wrote $zip_path${pkcs12:+ (Updater.exe signed)}:"
echo "  Updater.exe"
printf '  data/%s\n' "${names[@]}"
echo "and beside it $unpacked_name/Updater.exe and SHA256SUMS."
others=$(cd "$files" && find . -type f -printf '%P\n' | grep -v -x -F -f <(printf '%s\n' "${names[@]}") | LC_ALL=C sort || true)
if [ -n "$others" ]; then
    echo "Not shipped (the updater copies only the six files above):"
    printf '%s\n' "$others" | sed 's/^/  /'
fi
