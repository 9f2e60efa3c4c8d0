#!/usr/bin/env bash
# Builds Tavrello if needed and runs it under Wine, with the Wine stand-in of the Wrimon driver producing
# a demo workload that it measures from the start, and the stand-in disk driver showing a demo NVMe
# drive behind C: (the Drive Health window). Returns when the program has ended.
#
#   scripts/run.sh            # on $DISPLAY, or on a private Xvfb when no display is set
#   scripts/run.sh --desktop  # inside a Wine virtual desktop (1280x800), which has a taskbar and a tray
#
# The build directory is $BUILD_DIR, by default <repo>/build (the one scripts/test.sh uses).
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

desktop=0
for arg in "$@"; do
    case "$arg" in
    --desktop) desktop=1 ;;
    -h | --help)
        sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "run: unknown argument '$arg' (only --desktop is known)" >&2
        exit 2
        ;;
    esac
done

"$ROOT/scripts/setup.sh"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Only the program and the stand-ins; the tests are scripts/test.sh's business.
cmake --build "$BUILD_DIR" --target tavrello standin -j 2

BIN="$BUILD_DIR/bin"
if [ ! -f "$BIN/wrimon.sys" ]; then
    echo "run: $BIN/wrimon.sys is missing (no driver stand-in in this build): Tavrello starts, but measures nothing."
fi

. "$ROOT/scripts/wine-env.sh"
. "$ROOT/scripts/standin-disk.sh"
trap wine_env_stop EXIT
wine_env_start
standin_disk_install_demo "$BIN"
if [ -n "$_tav_xvfb_pid" ]; then
    echo "run: no DISPLAY set, so Tavrello runs on a private Xvfb display $DISPLAY that nobody sees;"
    echo "     close it with Ctrl+C here, or set DISPLAY to watch it."
fi

# The stand-in's demo workload: writes imitating a desktop, on the drives Tavrello attaches; monitoring
# starts as the window opens (the option "Auto start Tavrello"), so the figures come without a click.
export WRIMON_STANDIN_DEMO=1
wine reg add 'HKCU\software\Orvek software\Tavrello\Interface Settings' /v m_boolAutostartSession \
    /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1

cd "$BIN"
if [ "$desktop" -eq 0 ]; then
    wine "$BIN/tavrello.exe"
    exit 0
fi

# The virtual desktop's explorer outlives the program, so the program's own process is waited for: the
# one of this Wine prefix whose command line names tavrello.exe (the explorer's names it too, after
# /desktop=).
program_pids() {
    local pid
    for pid in $(pgrep -u "$(id -u)" -f 'tavrello\.exe' || true); do
        # A process may end between the listing and the look: its files are gone then.
        if { tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null | grep -q -- '/desktop='; then
            continue
        fi
        if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            echo "$pid"
        fi
    done
}
wine explorer /desktop=Tavrello,1280x800 "$BIN/tavrello.exe" </dev/null >/dev/null 2>&1 &
for _ in $(seq 60); do
    [ -n "$(program_pids)" ] && break
    sleep 0.5
done
while [ -n "$(program_pids)" ]; do
    sleep 1
done
