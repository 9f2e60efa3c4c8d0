#!/usr/bin/env bash
# Builds the Windows release of Tavrello and writes its two artefacts to $BUILD_DIR/package (by default
# <repo>/build/package), replacing what an earlier run left there:
#   Tavrello-<version>-x64.zip        tavrello.exe, README.txt and LICENSE.txt
#   Tavrello-<version>-x64-setup.exe  the installer (NSIS), which also installs the uninstaller
# The program is a Release build of its own in $BUILD_DIR/release, without the Wine stand-ins, the tests
# and the benchmarks. The version is the CMake project version.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
RELEASE_DIR="$BUILD_DIR/release"
OUT="$BUILD_DIR/package"
STAGE="$RELEASE_DIR/stage"

"$ROOT/scripts/setup.sh"

# ccache when present; set either way, so that a cache configured with it keeps working without it.
launcher=(-DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER=)
if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$ROOT" -B "$RELEASE_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTAVRELLO_WINE_STANDIN=OFF -DTAVRELLO_BUILD_TESTS=OFF \
    -DTAVRELLO_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$RELEASE_DIR" --target tavrello -j 2

version=$(sed -n 's/^#define TAVRELLO_VERSION_TEXT "\(.*\)"$/\1/p' "$RELEASE_DIR/generated/app/Version.h")
if [ -z "$version" ]; then
    echo "package: no version in $RELEASE_DIR/generated/app/Version.h" >&2
    exit 1
fi

# The files that both artefacts ship; texts with Windows line ends.
rm -rf "$STAGE"
mkdir -p "$STAGE"
x86_64-w64-mingw32-strip -o "$STAGE/tavrello.exe" "$RELEASE_DIR/bin/tavrello.exe"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$ROOT/packaging/README.txt" >"$STAGE/README.txt"
sed -e 's/$/\r/' "$ROOT/LICENSE" >"$STAGE/LICENSE.txt"

rm -rf "$OUT"
mkdir -p "$OUT"
zip="$OUT/Tavrello-$version-x64.zip"
setup="$OUT/Tavrello-$version-x64-setup.exe"
python3 - "$zip" "$STAGE" tavrello.exe README.txt LICENSE.txt <<'PYTHON'
import os, sys, zipfile
archive, stage, names = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for name in names:
        z.write(os.path.join(stage, name), name)
PYTHON
makensis -V2 -DVERSION="$version" -DSTAGE="$STAGE" -DICON="$ROOT/resources/app.ico" -DOUTFILE="$setup" \
    "$ROOT/packaging/tavrello.nsi"

echo "package: $zip ($(stat -c %s "$zip") bytes)"
echo "package: $setup ($(stat -c %s "$setup") bytes)"
