#!/usr/bin/env bash
# Builds Updater.exe and runs the updater under Wine on a sample installation and
# package laid out here, printing, photographing and answering every box it shows.
set -euo pipefail
caller=$PWD
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

usage() {
    cat <<'EOF'
Usage: bash scripts/demo.sh [options]

Builds build/release/Updater.exe (32-bit, the file that ships) and the x86_64
build of the same sources, lays out a sample installation and update package in
a Wine prefix of its own (build/demo/wineprefix), runs the shipped updater there
on a virtual screen and plays the user: every box is printed, photographed and
answered. Where the machine cannot run 32-bit programs, it runs the x86_64
build instead and says so.

Options:
  --state STATE     the installation to update:
                      base     before the first update (default): the old *.sd
                               save files are purged
                      update1  holds pac\update1.kpk
                      update2  holds pac\update1.kpk and pac\update2.kpk
  --answers LETTERS answers to the two confirmations, Y or N each, e.g. YY
                    (default), YN, N; a confirmation left without a letter
                    gets No
  --fail FAILURE    a failure to simulate:
                      none            (default)
                      no-key          no HKCU\Software\brenmoral\Calvento key
                      broken-package  data\pac\update2.kpk left out of the package
                      game-running    a stand-in for the game holds its mutex and
                                      window class
                      read-only       the installed inst.ini is read-only
  --out DIR         where box-01.png, box-02.png... and index.md go
                    (default out/demo)
  --quick           install and build nothing: run the programs already built
                    in --bin (the tests use this)
  --updater FILE    the Updater.exe to run (default build/release/Updater.exe,
                    or build/test/bin/Updater.exe where 32-bit programs
                    cannot run)
  --bin DIR         the player and the game stand-in, demo_player.exe and
                    game_standin.exe (default build/test/bin)
  -h, --help        this text
EOF
}

die() {
    echo "demo.sh: $*" >&2
    exit 2
}

state=base answers=YY fail=none out=$root/out/demo quick= bin=$root/build/test/bin updater=
while [ $# -gt 0 ]; do
    case $1 in
    --*=*) set -- "${1%%=*}" "${1#*=}" "${@:2}"; continue ;;
    -h | --help) usage; exit 0 ;;
    --quick) quick=1; shift; continue ;;
    esac
    [ $# -ge 2 ] || die "$1 needs a value (see --help)"
    case $1 in
    --state) state=$2 ;;
    --answers) answers=$2 ;;
    --fail) fail=$2 ;;
    --out) out=$2 ;;
    --bin) bin=$2 ;;
    --updater) updater=$2 ;;
    *) die "unknown option $1 (see --help)" ;;
    esac
    shift 2
done
case $state in base | update1 | update2) ;; *) die "--state must be base, update1 or update2" ;; esac
answers=${answers^^}
[[ $answers =~ ^[YN]{0,2}$ ]] || die "--answers takes up to two letters, Y or N"
case $fail in none | no-key | broken-package | game-running | read-only) ;;
*) die "--fail must be none, no-key, broken-package, game-running or read-only" ;;
esac
# Folders given relative to where the command was typed.
[[ $out = /* ]] || out=$caller/$out
[[ $bin = /* ]] || bin=$caller/$bin
[ -z "$updater" ] || [[ $updater = /* ]] || updater=$caller/$updater
mkdir -p "$out"
out=$(cd "$out" && pwd)

# Paths as this machine's root-relative text, for the reader.
show() { echo "${1#"$root"/}"; }

if [ -z "$quick" ]; then
    if [ "$(id -u)" = 0 ]; then
        bash scripts/setup.sh demo
    fi
    mkdir -p build/demo
    log=build/demo/build.log
    echo "Building (log: $log)..."
    if ! { cmake --preset release && cmake --build --preset release -j2 &&
        cmake --preset test && cmake --build --preset test -j2 --target Updater demo_player; } >"$log" 2>&1; then
        tail -n 30 "$log"
        die "the build failed; see $log"
    fi
    echo "  build/release/Updater.exe   the file that ships: 32-bit x86, $(stat -c %s build/release/Updater.exe) bytes."
    echo "  build/test/bin/Updater.exe  the same sources for x86_64."
fi
source scripts/x86-32.sh
if [ -z "$updater" ]; then
    if wine_runs_32bit; then
        updater=$root/build/release/Updater.exe
        if [ -z "$quick" ]; then
            echo "This demo runs the file that ships."
            # The icon hook of the updater's bitness.
            { cmake --preset test32 && cmake --build --preset test32 -j2 --target icon_hook_host; } >>"$log" 2>&1 ||
                die "the build failed; see $log"
        fi
    else
        updater=$bin/Updater.exe
        [ -n "$quick" ] || echo "This demo runs the x86_64 build: $no_32bit_reason."
    fi
fi
[ -n "$quick" ] || echo

# Root writes read-only files as no other user can: without this capability a
# read-only destination really fails its copy. Wine's server must start under it.
if [ "$(id -u)" = 0 ] && (($(printf '%d' "0x$(awk '/^CapEff/ {print $2}' /proc/self/status)") & 2)); then
    exec setpriv --inh-caps=-dac_override --bounding-set=-dac_override bash "$root/scripts/demo.sh" --quick \
        --state "$state" --answers "$answers" --fail "$fail" --out "$out" --bin "$bin" --updater "$updater"
fi

[ -d "$bin" ] || die "no folder $bin: run without --quick to build the programs"
bin=$(cd "$bin" && pwd)
for program in demo_player.exe game_standin.exe; do
    [ -f "$bin/$program" ] || die "no $(show "$bin")/$program: run without --quick to build it"
done
[ -f "$updater" ] || die "no $(show "$updater"): run without --quick to build it"
# The player learns each box's icon through a hook of the updater's bitness.
export UPDATER_ICON_HOOK_HOST=$bin/icon_hook_host.exe
[ "$(pe_machine "$updater")" != i386 ] || UPDATER_ICON_HOOK_HOST=$root/build/test32/bin/icon_hook_host.exe
[ -f "$UPDATER_ICON_HOOK_HOST" ] || die "no $(show "$UPDATER_ICON_HOOK_HOST"): run without --quick to build it"

work=$root/build/demo
mkdir -p "$work"
export WINE_DESKTOP=1024x768

# A screen of its own, so that no display is needed.
rm -f "$work/display"
Xvfb -displayfd 3 -screen 0 "${WINE_DESKTOP}x24" -nolisten tcp 3>"$work/display" </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || die "Xvfb did not start; see $(show "$work")/xvfb.log"
export DISPLAY=:$(head -n 1 "$work/display")

export WINEPREFIX=$work/wineprefix
echo "Starting Wine in $(show "$WINEPREFIX") on the virtual screen $DISPLAY..."
source scripts/wine-prefix.sh x11
trap 'wine_stop; kill $xvfb_pid 2>/dev/null || true' EXIT

# The sample: an installation and the package a player has unpacked.
install_win='C:\Games\Calvento'
package_win='C:\Downloads\Calvento_update_1.02'
install=$WINEPREFIX/drive_c/Games/Calvento
package=$WINEPREFIX/drive_c/Downloads/Calvento_update_1.02
rm -rf "$install" "$package" "$work/before"

sample() { # file, text
    mkdir -p "$(dirname "$1")"
    printf '%s\r\n' "$2" >"$1"
}

source tools/package/game-files.sh
# An installation holds what the updater copies, less the update packs it
# predates, and the game's own pac\bn.kpk.
installed=(pac/bn.kpk)
for name in "${game_files[@]}"; do
    case $state:$name in
    base:pac/update1.kpk | base:pac/update2.kpk | update1:pac/update2.kpk) ;;
    *) installed+=("$name") ;;
    esac
done
for name in "${installed[@]}"; do
    sample "$install/$name" "Calvento $name ver1.00"
done
# The save folder the game uses when the install folder holds no qzsfs.dat. Only
# the *.sd files directly in it are old saves; everything else must stay.
for name in 01.sd 02.sd SYSTEM.SD; do
    sample "$install/save/$name" "old save $name"
done
sample "$install/save/config.ini" "settings"
sample "$install/save/01.sd.bak" "a copy the player made"
sample "$install/save/backup/03.sd" "a save in a subfolder"

for name in "${game_files[@]}"; do
    sample "$package/data/$name" "Calvento $name ver1.02"
done
cp "$updater" "$package/Updater.exe"

player_options=(--updater "$package_win\\Updater.exe" --package "$package_win" --answers "$answers")
case $fail in
no-key) player_options+=(--no-key) ;;
*) player_options+=(--install "$install_win") ;;
esac
case $fail in
broken-package) rm "$package/data/pac/update2.kpk" ;;
game-running) player_options+=(--game) ;;
read-only) chmod a-w "$install/inst.ini" ;;
esac
cp -a "$install" "$work/before"

rm -f "$out"/box-[0-9][0-9].png "$out"/box-[0-9][0-9].shot "$out"/box-[0-9][0-9].tmp "$out/index.md" "$out/player.log"
player_options+=(--out "Z:${out//\//\\}")
{
    echo "# Calvento updater demo"
    echo
    echo "Installation \`$install_win\\\` in state **$state**; answers **${answers:-none}**; simulated failure: **$fail**."
    echo "The package \`$package_win\\\` holds Updater.exe ($(pe_machine "$updater"), from \`$(show "$updater")\`) beside \`data\`."
    echo
} >"$out/index.md"

echo "Installation $install_win\\ ($state), package $package_win\\, answers ${answers:-none}, failure: $fail."
echo
"$WINE64" "$bin/demo_player.exe" "${player_options[@]}" </dev/null >"$out/player.log" 2>&1 &
player_pid=$!

# Takes the screenshots the player asks for and shows its output as it comes.
shown=0
deadline=$((SECONDS + 180))
show_new_output() {
    local size
    size=$(stat -c %s "$out/player.log")
    if [ "$size" -gt "$shown" ]; then
        tail -c +$((shown + 1)) "$out/player.log" | head -c $((size - shown))
        shown=$size
    fi
}
while kill -0 "$player_pid" 2>/dev/null; do
    for request in "$out"/box-[0-9][0-9].shot; do
        [ -e "$request" ] || continue
        import -window root -crop "$(cat "$request")" +repage "${request%.shot}.png"
        rm "$request"
    done
    show_new_output
    if [ $SECONDS -gt $deadline ]; then
        kill "$player_pid"
        die "the player did not end within 180 seconds"
    fi
    sleep 0.05
done
wait "$player_pid" || die "the player failed (exit code $?)"
show_new_output
rm -f "$out/player.log"

# What the run changed: every file of the installation, before and after.
account() {
    local name before after old new
    { (cd "$work/before" && find . -type f -printf '%P\n') && (cd "$install" && find . -type f -printf '%P\n'); } |
        LC_ALL=C sort -u | while IFS= read -r name; do
        before=$work/before/$name
        after=$install/$name
        if [ ! -e "$after" ]; then
            printf '  %-9s %s\n' deleted "${name//\//\\}"
        elif [ ! -e "$before" ]; then
            printf '  %-9s %s\n' added "${name//\//\\}"
        elif cmp -s "$before" "$after"; then
            printf '  %-9s %s\n' kept "${name//\//\\}"
        else
            old=$(tr -d '\r' <"$before")
            new=$(tr -d '\r' <"$after")
            printf '  %-9s %s  (%s -> %s)\n' replaced "${name//\//\\}" "${old##* }" "${new##* }"
        fi
    done
}
changes=$(account)
count() { grep -c "$1" <<<"$changes" || true; }
outcome=$(
    echo "Installation $install_win\\ after the run:"
    grep -v ' save\\' <<<"$changes" || true
    echo "Save folder $install_win\\save\\ after the run:"
    grep ' save\\' <<<"$changes" || true
    echo "In short: $(count '^  replaced') replaced, $(count '^  added') added, $(count '^  deleted') deleted."
)
echo "$outcome"
{
    echo "## Outcome"
    echo
    echo '```text'
    echo "$outcome"
    echo '```'
} >>"$out/index.md"

shots=("$out"/box-[0-9][0-9].png)
echo
if [ -e "${shots[0]}" ]; then
    echo "Screenshots: $(show "${shots[0]}")$([ ${#shots[@]} -gt 1 ] && echo " ... $(basename "${shots[-1]}")") (${#shots[@]})"
else
    echo "Screenshots: none"
fi
echo "Index:       $(show "$out")/index.md"
