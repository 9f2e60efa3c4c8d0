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
mkdir -p "$WINEPREFIX"
if wineserver -p </dev/null >/dev/null 2>&1; then
    # A new server: start Wine's own services now, away from our caller's pipes, so the ones they would
    # otherwise inherit from the program below do not keep the caller waiting.
    wine wineboot -u </dev/null >/dev/null 2>&1
fi
. "$(dirname "$0")/wine-fonts.sh"
wine_install_fonts || exit 1
. "$(dirname "$0")/wine-standin.sh"
wine_install_standin_library "$bindir"
cd "$bindir" || exit 1
exec wine "$bindir/$(basename "$exe")" "$@"
