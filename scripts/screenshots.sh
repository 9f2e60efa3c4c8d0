#!/usr/bin/env bash
# Takes the screenshots of docs/ again: runs Tavrello under Wine with the driver stand-in's demo workload,
# in a fresh Wine prefix of its own on a private Xvfb, opens every window in turn, captures each one as
# the screen shows it and writes the PNG files.
#
#   scripts/screenshots.sh                      # every window of the table, into docs/
#   scripts/screenshots.sh about options.png    # only these (names of the table)
#   scripts/screenshots.sh --settle 330         # let the demo run longer first (the life estimate
#                                               # shows after five minutes of monitoring)
#   scripts/screenshots.sh --out DIR            # somewhere other than docs/
#   scripts/screenshots.sh --list               # the names of the table
#
# The windows are listed in scripts/screenshots/Shots.cpp. The build directory is $BUILD_DIR, by default
# <repo>/build; the prefix is $BUILD_DIR/screenshots-prefix, made anew on every run.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
export BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

# The file names of the table of windows, in its order.
table="$ROOT/scripts/screenshots/Shots.cpp"
known=$(grep -o '{"[^"]*\.png"' "$table" | tr -d '{"')

out="$ROOT/docs"
driver_args=()
while [ $# -gt 0 ]; do
    case "$1" in
    --out)
        [ $# -ge 2 ] || { echo "screenshots: --out needs a folder" >&2; exit 2; }
        out="$2"
        shift 2
        ;;
    --settle)
        [[ $# -ge 2 && $2 =~ ^[0-9]+$ ]] || { echo "screenshots: --settle needs a number of seconds" >&2; exit 2; }
        driver_args+=(--settle "$2")
        shift 2
        ;;
    --list)
        echo "$known"
        exit 0
        ;;
    -h | --help)
        sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    -*)
        echo "screenshots: unknown option '$1' (see --help)" >&2
        exit 2
        ;;
    *)
        name="${1%.png}.png"
        if ! grep -qxF "$name" <<<"$known"; then
            echo "screenshots: no window '$1' in $table; there are:" $known >&2
            exit 2
        fi
        driver_args+=("$name")
        shift
        ;;
    esac
done
mkdir -p "$out"
out=$(cd "$out" && pwd)

"$ROOT/scripts/setup.sh"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD_DIR" --target screenshots -j 2
BIN="$BUILD_DIR/bin"
if [ ! -f "$BIN/wrimon.sys" ] || [ ! -f "$BIN/screenshots.exe" ]; then
    echo "screenshots: $BIN lacks wrimon.sys or screenshots.exe (a build without the Wine stand-ins?)" >&2
    exit 1
fi

# Always a private display, whatever DISPLAY says: nothing else on the screen, the same size everywhere.
unset DISPLAY
. "$ROOT/scripts/wine-env.sh"
. "$ROOT/scripts/standin-disk.sh"
export WINEPREFIX="$BUILD_DIR/screenshots-prefix"
wineserver -k </dev/null >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"

# Wine takes the fonts of fontconfig as well as the prefix's: a configuration without font folders leaves
# it with the prefix's fonts-wine ones, so no font of this machine changes the pictures.
fontconfig="$WINEPREFIX/fontconfig"
mkdir -p "$fontconfig/cache"
cat >"$fontconfig/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
    <cachedir>$fontconfig/cache</cachedir>
</fontconfig>
EOF
export FONTCONFIG_FILE="$fontconfig/fonts.conf"

# The prefix is big; it stays only when something failed, for its program log.
finish() {
    local status=$?
    wine_env_stop
    if [ "$status" -eq 0 ]; then
        rm -rf "$WINEPREFIX"
    else
        echo "screenshots: the prefix is kept for a look: $WINEPREFIX" >&2
    fi
}
trap finish EXIT
echo "screenshots: preparing a fresh Wine prefix on a private Xvfb"
wine_env_start

# A demo history of the past weeks, so that the write history window has a chart to show.
appdata=$(wine cmd /c echo %APPDATA% </dev/null 2>/dev/null | tr -d '\r')
datafolder="$(winepath -u "$appdata" 2>/dev/null)/Orvek software/Tavrello"
mkdir -p "$datafolder"
python3 "$ROOT/scripts/screenshots/demo_history.py" "$datafolder/Write History.csv"
# The demo NVMe drive behind C:, with a month of its daily readings, so that Drive Health has a rate, and a
# rated endurance entered for it.
standin_disk_install_demo "$BIN"
python3 "$ROOT/scripts/standin_disk_demo.py" history "$datafolder/Drive History.csv" 30
wine reg add 'HKCU\software\Orvek software\Tavrello\Drive Ratings' /v DEMO0001NVME /t REG_DWORD /d 600 /f \
    </dev/null >/dev/null 2>&1
# A heavy-writing threshold of 1 MB a minute, which the demo workload passes: the log viewer then shows the
# alert's line (Wine's tray shows no balloons on our Xvfb).
wine reg add 'HKCU\software\Orvek software\Tavrello\Interface Settings' /v m_intAlertMegabytesPerMinute \
    /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1

# The driver names a file and a rectangle on its output and waits for our answer on its input; any other
# line is progress for the user. Two named pipes carry them.
pipes="$WINEPREFIX/pipes"
mkdir -p "$pipes"
mkfifo "$pipes/to-driver" "$pipes/from-driver"
cd "$BIN"
wine "$BIN/screenshots.exe" "${driver_args[@]}" <"$pipes/to-driver" >"$pipes/from-driver" &
driver_pid=$!
exec 3>"$pipes/to-driver" 4<"$pipes/from-driver"
# A process the driver started might keep the pipe open after the driver ended: the loop watches the
# driver itself too.
while :; do
    got=0
    IFS= read -r -t 2 line <&4 || got=$?
    if [ "$got" -ne 0 ]; then
        [ "$got" -gt 128 ] && kill -0 "$driver_pid" 2>/dev/null && continue
        break
    fi
    line=${line%$'\r'}
    case "$line" in
    "shot "*)
        read -r _ file x y w h <<<"$line"
        # Behind the windows, where a menu reaches past them, the colour of Wine's own desktop.
        if python3 "$ROOT/scripts/screenshots/capture.py" --backdrop 58 110 165 \
            "$out/$file" "$x" "$y" "$w" "$h"; then
            echo ok >&3
        else
            echo "capture failed" >&3
        fi
        ;;
    *) echo "$line" ;;
    esac
done
exec 3>&- 4<&-
status=0
wait "$driver_pid" || status=$?
if [ "$status" -ne 0 ]; then
    echo "screenshots: the driver failed (exit code $status)" >&2
    exit "$status"
fi
echo "screenshots: written to $out"
