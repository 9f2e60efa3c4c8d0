# Sourced by the run and test scripts: a Wine prefix inside the build tree, a persistent wineserver,
# and an X display (Xvfb when none is set). wine_env_stop undoes what wine_env_start started.
: "${BUILD_DIR:?}"
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
_tav_xvfb_pid=""
. "$(dirname "${BASH_SOURCE[0]}")/wine-fonts.sh"
. "$(dirname "${BASH_SOURCE[0]}")/wine-standin.sh"

wine_env_start() {
    if [ -z "${DISPLAY:-}" ]; then
        local n=97
        while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        _tav_xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    mkdir -p "$WINEPREFIX"
    # Booting runs the user's autostart entries: an autostart value of Tavrello left from an earlier run
    # would start the program before anything else.
    [ -f "$WINEPREFIX/user.reg" ] && sed -i '/^"Tavrello"=/d' "$WINEPREFIX/user.reg"
    # A server already running for this prefix (left from a manual run) is fine.
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine wineboot -u </dev/null >/dev/null 2>&1
    wine_install_fonts
    wine_install_standin_library "$BUILD_DIR/bin"
    if [ -n "$_tav_xvfb_pid" ]; then
        # No window manager runs on our Xvfb: unmanaged windows spare each hide a two-second wait for a
        # window manager that never answers.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    fi
}

wine_env_stop() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -n "$_tav_xvfb_pid" ]; then
        kill "$_tav_xvfb_pid" 2>/dev/null || true
        wait "$_tav_xvfb_pid" 2>/dev/null || true
    fi
}
