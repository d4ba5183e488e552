# Settings shared by the scripts that run the Windows tests under Wine. Sourced with the
# folder that holds the tests' Wine prefix and display as its argument.

state=$1
mkdir -p "$state"
export WINEPREFIX=$state/prefix
export WINEDEBUG=-all
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's own texts (a message box's button) follow the locale: the program's users read
# Simplified Chinese.
export LC_ALL=zh_CN.UTF-8

# Debian's wine64 package keeps its loader off PATH.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine || true)
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
# A Wine of another kind (the 32-bit one), where the build names one.
if [ -f "$state/wine.env" ]; then
    source "$state/wine.env"
fi
log=$state/wine.log

if [ -s "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
fi

# A prefix set up once: unmanaged windows (with a caption, and no wait for a window manager
# that is not there), and Wine's own fonts where its programs look for them. Then a server
# that stays up between the tests, so that each does not start Wine's services again.
prepare_prefix() {
    if [ ! -f "$WINEPREFIX/.prepared" ]; then
        rm -rf "$WINEPREFIX"
        {
            "$wine" wineboot --init &&
                "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f &&
                "$wineserver" -w
        } </dev/null >>"$log" 2>&1 || return 1
        cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
        touch "$WINEPREFIX/.prepared"
    fi
    # A network share, \\marlinth\share, that Wine maps to a folder of the tests'.
    mkdir -p "$state/share" "$WINEPREFIX/dosdevices/unc/marlinth"
    ln -sfn "$state/share" "$WINEPREFIX/dosdevices/unc/marlinth/share"
    if ! "$wineserver" -p300 </dev/null >>"$log" 2>&1; then
        return 0 # already up, with its services
    fi
    # Wine's services start with the first program; started here, they do not hold on to the
    # output of a test, which CTest reads to the end.
    "$wine" cmd.exe /c exit 0 </dev/null >>"$log" 2>&1
}
