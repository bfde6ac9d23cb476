# Sourced: starts a persistent wineserver for the prefix in $WINEPREFIX, made on
# first use; the caller stops it with wine_stop (in its own EXIT trap). $1:
# "null" for a prefix that needs no display, "x11" for one that draws on
# $DISPLAY, in a virtual desktop of $WINE_DESKTOP (default 1024x768).
export WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
WINESERVER=/usr/lib/wine/wineserver
WINE64=/usr/lib/wine/wine64

wine_stop() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
}

wine_start() {
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    # Every stream on /dev/null, so that Wine's services hold no pipe of the caller.
    "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
}

if [ "${1:-null}" != null ] && [ -z "${DISPLAY:-}" ]; then
    echo "wine-prefix.sh $1: DISPLAY is not set" >&2
    return 1
fi

# A server left from another run may have other privileges: always start anew.
wine_stop
mkdir -p "$WINEPREFIX"
wine_start
# A new prefix links the user's Documents, Desktop and the like to the Unix home
# folder; the tests lay save folders out there, so each prefix gets folders of
# its own, and the home folder stays untouched.
for folder in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$folder" ]; then
        rm "$folder"
        mkdir "$folder"
    fi
done
# The graphics driver is chosen when the desktop starts: after changing it,
# start the server again so that it takes effect.
if [ "${1:-null}" = null ]; then
    if ! grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
        "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
        wine_stop
        wine_start
    fi
else
    restart=
    if grep -q '"Graphics"=' "$WINEPREFIX/user.reg" 2>/dev/null; then
        "$WINE64" reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f </dev/null >/dev/null 2>&1
        restart=1
    fi
    # Without a window manager nothing would draw the frames and captions: in a
    # virtual desktop of the screen's size ($WINE_DESKTOP) Wine draws them itself.
    desktop=${WINE_DESKTOP:-1024x768}
    if ! grep -q "^\"Default\"=\"$desktop\"" "$WINEPREFIX/user.reg" 2>/dev/null; then
        "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop" /f </dev/null >/dev/null 2>&1
        restart=1
    fi
    # The caption buttons are Marlett glyphs; Wine does not find Debian's copy
    # (fonts-wine) by itself and would draw letters instead.
    if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        restart=1
    fi
    if [ -n "$restart" ]; then
        wine_stop
        wine_start
    fi
fi
