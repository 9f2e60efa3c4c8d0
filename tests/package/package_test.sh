#!/usr/bin/env bash
# The Windows package under Wine. scripts/package.sh builds both artefacts; the zip holds exactly the
# shipped files; the installer installs silently into a Wine prefix of this test's own (files, driver,
# shortcut, uninstall entry); the installed program, with the stand-in filter library beside it, starts,
# measures and closes cleanly (test_main's InstalledProgram case); while it runs, the installer and the
# uninstaller leave it alone; the silent uninstaller removes the files, shortcut, entry, autostart value
# and a leftover Wrimon service and keeps the collected data, or removes that too with /REMOVEDATA.
# Usage: package_test.sh <build folder with bin/test_main.exe and the stand-ins>
set -u
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:?build folder}" && pwd)
WORK="$BUILD/package-test"
mkdir -p "$WORK"

checks=0
failures=0
check() {
    local what="$1"
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        failures=$((failures + 1))
    fi
}
give_up() {
    echo "FAIL: $*"
    exit 1
}
# A Windows path for a path of this machine (Wine's Z: is /).
win() {
    local path="$1"
    printf 'Z:%s' "${path//\//\\}"
}
contains() { grep -qE -- "$2" <<<"$1"; }
absent() { [ ! -e "$1" ]; }

# ---- The artefacts ----
BUILD_DIR="$BUILD" "$ROOT/scripts/package.sh" || give_up "scripts/package.sh failed"
version=$(sed -n 's/^#define TAVRELLO_VERSION_TEXT "\(.*\)"$/\1/p' "$BUILD/release/generated/app/Version.h")
zip="$BUILD/package/Tavrello-$version-x64.zip"
setup="$BUILD/package/Tavrello-$version-x64-setup.exe"
[ -f "$zip" ] && [ -f "$setup" ] || give_up "no $zip or $setup"
listing=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
check "the zip holds exactly tavrello.exe, README.txt and LICENSE.txt (no stand-in): $(echo $listing)" \
    [ "$listing" = $'LICENSE.txt\nREADME.txt\ntavrello.exe' ]
zipped_program() { python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read("tavrello.exe"))' "$zip"; }

# ---- A Wine prefix of this test's own ----
# Copied from one that only wineboot has touched: booting a new prefix takes a minute or two, a copy
# seconds.
pristine="$WORK/pristine-prefix"
if [ ! -f "$pristine/.booted" ]; then
    rm -rf "$pristine" "$pristine.new"
    mkdir -p "$pristine.new"
    WINEPREFIX="$pristine.new" WINEDEBUG=-all wine wineboot -u </dev/null >/dev/null 2>&1
    # The server writes the registry when it ends.
    WINEPREFIX="$pristine.new" wineserver -w
    touch "$pristine.new/.booted"
    mv "$pristine.new" "$pristine"
fi
BUILD_DIR="$WORK"
. "$ROOT/scripts/wine-env.sh"
rm -rf "$WINEPREFIX"
cp -a "$pristine" "$WINEPREFIX"
trap wine_env_stop EXIT
wine_env_start

drive_c="$WINEPREFIX/drive_c"
inst="$drive_c/Program Files/Tavrello"
inst_win='C:\Program Files\Tavrello'
shortcut="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavrello.lnk"
entry_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrello'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Orvek software\Tavrello'
service_key='HKLM\System\CurrentControlSet\Services\Wrimon'
query() { wine reg query "$@" </dev/null 2>/dev/null | tr -d '\r'; }
key_absent() { ! wine reg query "$@" </dev/null >/dev/null 2>&1; }
data_folder() { find "$drive_c/users" -path '*/AppData/Roaming/Orvek software/Tavrello' -type d 2>/dev/null | head -1; }

# The uninstaller runs from a copy of itself in the temp folder and returns at once: wait for the copy.
uninstaller_runs() {
    local pid
    for pid in $(pgrep -u "$(id -u)" -f 'nsu.*\.tmp.(Un|Au_)\.exe' || true); do
        if { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
            return 0
        fi
    done
    return 1
}
uninstall() {
    local code=0
    wine "$inst_win\\uninstall.exe" /S "$@" </dev/null >/dev/null 2>&1 || code=$?
    [ "$code" -eq 0 ] || return "$code"
    for _ in $(seq 240); do
        if [ ! -e "$inst" ] && ! uninstaller_runs; then
            return 0
        fi
        sleep 0.5
    done
    return 1
}

# ---- Silent install ----
code=0
wine "$setup" /S "/DRIVER=$(win "$WORK/no-such-folder/wrimon.sys")" </dev/null >/dev/null 2>&1 || code=$?
check "a silent install naming a driver file that is not there fails (exit code $code)" [ "$code" -ne 0 ]
check "... and installs nothing" absent "$inst"

code=0
wine "$setup" /S "/DRIVER=$(win "$BUILD/bin/wrimon.sys")" </dev/null >/dev/null 2>&1 || code=$?
check "the silent install succeeds (exit code $code)" [ "$code" -eq 0 ]
for f in tavrello.exe README.txt LICENSE.txt uninstall.exe; do
    check "installed: $f" [ -f "$inst/$f" ]
done
check "the installed program is the zip's" cmp -s <(zipped_program) "$inst/tavrello.exe"
check "the chosen driver file is copied beside the program" cmp -s "$BUILD/bin/wrimon.sys" "$inst/wrimon.sys"
check "no stand-in disk driver is built for the package" absent "$BUILD/release/bin/standin_disk.sys"
check "... nor installed" absent "$inst/standin_disk.sys"
check "the Start-menu shortcut exists" [ -f "$shortcut" ]
entry=$(query "$entry_key")
check "uninstall entry: name" contains "$entry" 'DisplayName +REG_SZ +Tavrello$'
check "uninstall entry: version" contains "$entry" "DisplayVersion +REG_SZ +$version\$"
check "uninstall entry: publisher" contains "$entry" 'Publisher +REG_SZ +Orvek software$'
check "uninstall entry: size" contains "$entry" 'EstimatedSize +REG_DWORD +0x[0-9a-f]*[1-9a-f]'
check "uninstall entry: uninstaller" contains "$entry" 'UninstallString +REG_SZ +"C:\\Program Files\\Tavrello\\uninstall.exe"$'

# ---- The installed program ----
cp "$BUILD/bin/fltlib.dll" "$inst/"
log="$WORK/installed-program.log"
TAVRELLO_WINEPREFIX="$WINEPREFIX" TAVRELLO_INSTALLED_PROGRAM="$inst_win\\tavrello.exe" \
    "$ROOT/scripts/wine-run.sh" "$BUILD/bin/test_main.exe" --gtest_filter='InstalledProgram.*' \
    </dev/null >"$log" 2>&1
code=$?
ran() { [ "$code" -eq 0 ] && grep -q '\[  PASSED  \] 1 test' "$log" && ! grep -q '\[  SKIPPED \]' "$log"; }
check "the installed program starts, measures and closes cleanly" ran
ran || cat "$log"

# A running Tavrello keeps the installer and the uninstaller away from its files and its service.
wine "$inst_win\\tavrello.exe" </dev/null >/dev/null 2>&1 &
program=$!
service_runs() {
    for _ in $(seq 120); do
        contains "$(wine sc query Wrimon </dev/null 2>/dev/null)" 'RUNNING' && return 0
        sleep 0.5
    done
    return 1
}
check "the installed program runs again" service_runs
code=0
wine "$setup" /S </dev/null >/dev/null 2>&1 || code=$?
check "a silent install while Tavrello runs refuses (exit code $code)" [ "$code" -eq 3 ]
wine "$inst_win\\uninstall.exe" /S </dev/null >/dev/null 2>&1
for _ in $(seq 240); do
    uninstaller_runs || break
    sleep 0.5
done
check "a silent uninstall while Tavrello runs leaves the program" [ -f "$inst/tavrello.exe" ]
check "... and its uninstall entry" contains "$(query "$entry_key")" 'DisplayName'
# Closed as Windows closes a program: WM_CLOSE to its windows.
wine taskkill /im tavrello.exe </dev/null >/dev/null 2>&1
for _ in $(seq 120); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.5
done
kill -0 "$program" 2>/dev/null && wine taskkill /f /im tavrello.exe </dev/null >/dev/null 2>&1
code=0
wait "$program" || code=$?
check "the program closes on WM_CLOSE (exit code $code)" [ "$code" -eq 0 ]

# The stand-in belongs to this test, not to the installation.
rm -f "$inst/fltlib.dll"
check "the program kept its collected data" [ -f "$(data_folder)/Monitored.Files" ]
check "the program wrote its autostart value" contains "$(query "$run_key" /v Tavrello)" 'tavrello\.exe'

# A Wrimon service as a Tavrello that did not close leaves it: created and running.
wine sc create Wrimon type= filesys start= demand binpath= "$inst_win\\wrimon.sys" </dev/null >/dev/null 2>&1
wine sc start Wrimon </dev/null >/dev/null 2>&1
check "a leftover Wrimon service runs" contains "$(wine sc query Wrimon </dev/null 2>/dev/null)" 'RUNNING'

# ---- Silent uninstall, data kept ----
check "the silent uninstall ends" uninstall
check "uninstalled: the program folder" absent "$inst"
check "uninstalled: the shortcut" absent "$shortcut"
check "uninstalled: the uninstall entry" key_absent "$entry_key"
check "uninstalled: the autostart value" key_absent "$run_key" /v Tavrello
service_gone() {
    for _ in $(seq 40); do
        key_absent "$service_key" && return 0
        sleep 0.5
    done
    return 1
}
check "uninstalled: the Wrimon service" service_gone
check "kept: the collected data" [ -f "$(data_folder)/Monitored.Files" ]
check "kept: the settings" contains "$(query "$settings_key" /s)" 'm_boolAutostartSession'

# ---- Reinstall, then a silent uninstall that removes the data ----
code=0
wine "$setup" /S </dev/null >/dev/null 2>&1 || code=$?
check "a silent install without a driver succeeds (exit code $code)" [ "$code" -eq 0 ]
check "... and installs no driver" absent "$inst/wrimon.sys"
check "the silent uninstall with /REMOVEDATA ends" uninstall /REMOVEDATA
check "removed: the collected data" [ -z "$(data_folder)" ]
check "removed: the settings" key_absent "$settings_key"
check "removed: the program folder" absent "$inst"

echo "package: $((checks - failures)) passed, $failures failed"
if [ "$failures" -eq 0 ]; then
    wine_env_stop
    trap - EXIT
    rm -rf "$WINEPREFIX"
fi
[ "$failures" -eq 0 ]
