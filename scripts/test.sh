#!/usr/bin/env bash
# Sets up the machine, builds Tavrello with the MinGW-w64 cross compiler and runs the whole test suite
# under Wine. Usage: scripts/test.sh [ctest arguments...]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
"$ROOT/scripts/setup.sh"
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)"
. "$ROOT/scripts/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start
cd "$BUILD_DIR"
# A test program that fails is run once more, and the log keeps both runs: Wine's winedevice.exe, which
# hosts the stand-in drivers, now and then refuses a driver service's start or drops its port right after
# an earlier test unloaded it. A failure that comes again fails the run.
ctest --output-on-failure --timeout 600 --repeat until-pass:2 "$@"
