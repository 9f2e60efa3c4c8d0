#!/usr/bin/env bash
# Runs a Windows executable of the build under Wine, in the Wine prefix that belongs to its build tree
# (<build>/wineprefix, beside <build>/bin). Used by ctest as the cross-compiling emulator.
set -u
exe="$1"
shift
bindir=$(cd "$(dirname "$exe")" && pwd)
export WINEPREFIX="${TAVRELLO_WINEPREFIX:-$(dirname "$bindir")/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
# A persistent server and a booted prefix, with their output away from our caller's pipes:
# Wine's own services would otherwise keep ctest's pipes open.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot -u </dev/null >/dev/null 2>&1
fi
wineserver -p </dev/null >/dev/null 2>&1
cd "$bindir" || exit 1
exec wine "$bindir/$(basename "$exe")" "$@"
