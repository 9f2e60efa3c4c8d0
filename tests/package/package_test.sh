#!/usr/bin/env bash
# The Windows package under Wine. scripts/package.sh builds both artefacts; the zip holds exactly the
# shipped files, and its program imports only known system DLLs; the installer refuses a folder outside
# Program Files (exit code 4) and a driver file that is no 64-bit kernel driver (exit code 2); it installs
# silently into a Wine prefix of this test's own (files, driver, shortcut, uninstall entry), upgrades an
# older installation in place and refuses to replace a newer one without /ALLOWDOWNGRADE (exit code 5);
# the installed program, with the stand-in filter library in the prefix's system folder, starts, measures
# and closes cleanly (test_main's InstalledProgram case); while it runs, the installer and the uninstaller
# leave it alone; the silent uninstaller, waited for with _?=, removes the files, shortcut, entry, autostart
# value and task and a leftover Wrimon service and keeps the collected data, or removes that too with
# /REMOVEDATA.
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

# A DLL that is no known system DLL is looked for in the program's folder first: the program may import
# only known ones (Windows 10's KnownDLLs) and comctl32, which its manifest takes from the side-by-side
# store. fltlib.dll and UxTheme.dll it loads from the system folder itself.
imports=$(x86_64-w64-mingw32-objdump -p "$BUILD/release/stage/tavrello.exe" | sed -n 's/^\tDLL Name: //p' |
    tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll psapi.dll shell32.dll shlwapi.dll user32.dll "
unexpected=""
for dll in $imports; do
    [[ "$allowed" == *" $dll "* ]] || unexpected="$unexpected $dll"
done
imports_known() { [ -n "$imports" ] && [ -z "$unexpected" ]; }
check "the program imports only known system DLLs and comctl32 ($imports)" imports_known

# Installers of other versions from the same files, for the upgrade and the downgrade.
other_setup() {
    makensis -V1 -DVERSION="$1" -DSTAGE="$BUILD/release/stage" -DICON="$ROOT/resources/app.ico" \
        -DOUTFILE="$WORK/Tavrello-$1-setup.exe" "$ROOT/packaging/tavrello.nsi" >/dev/null &&
        echo "$WORK/Tavrello-$1-setup.exe"
}
older_setup=$(other_setup 0.0.1) || give_up "no installer of version 0.0.1"
newer_setup=$(other_setup 99.0.0) || give_up "no installer of version 99.0.0"

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
# The installed program finds the stand-in filter library where it looks: in the system folder.
wine_install_standin_library "$BUILD/bin"

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
installed_version() { query "$entry_key" /v DisplayVersion | sed -n 's/.*DisplayVersion *REG_SZ *//p'; }
install() {
    local code=0
    wine "$@" </dev/null >/dev/null 2>&1 || code=$?
    return "$code"
}
# The installer with a command line as given: /D= takes the rest of it unquoted, and Wine would quote a
# folder with a blank.
install_verbatim() {
    local code=0
    wine cmd /c "$(win "$1") $2" </dev/null >/dev/null 2>&1 || code=$?
    return "$code"
}

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

# ---- What the installer refuses ----
refuses() {
    local expected="$1" what="$2"
    shift 2
    local code=0
    install "$@" || code=$?
    check "$what: refused with exit code $expected (got $code)" [ "$code" -eq "$expected" ]
}
refuses_verbatim() {
    local expected="$1" what="$2" code=0
    install_verbatim "$setup" "$3" || code=$?
    check "$what: refused with exit code $expected (got $code)" [ "$code" -eq "$expected" ]
}
refuses 4 "a folder that users can change" "$setup" /S '/D=C:\users\Public\Tavrello'
check "... and nothing is installed there" absent "$drive_c/users/Public/Tavrello"
refuses_verbatim 4 "a way out of Program Files" '/S /D=C:\Program Files\..\users\Public\Tavrello'
refuses_verbatim 4 "Program Files itself" '/S /D=C:\Program Files'
refuses_verbatim 4 "a short name of Program Files" '/S /D=C:\PROGRA~1\Tavrello'
refuses 2 "a driver file that is not there" "$setup" /S "/DRIVER=$(win "$WORK/no-such-folder/wrimon.sys")"
# Copies of the stand-in driver with one header field changed, and files that are no driver at all.
python3 - "$BUILD/bin/wrimon.sys" "$WORK" <<'PYTHON'
import struct, sys
image = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", image, 0x3C)[0]
for name, offset, value in (("x86", pe + 4, 0x14C), ("gui", pe + 24 + 68, 2), ("pe32", pe + 24, 0x10B)):
    changed = bytearray(image)
    struct.pack_into("<H", changed, offset, value)
    open(f"{sys.argv[2]}/wrimon-{name}.sys", "wb").write(changed)
PYTHON
refuses 2 "a driver for 32-bit x86" "$setup" /S "/DRIVER=$(win "$WORK/wrimon-x86.sys")"
refuses 2 "a driver of the 32-bit PE format" "$setup" /S "/DRIVER=$(win "$WORK/wrimon-pe32.sys")"
refuses 2 "a Windows program instead of a driver" "$setup" /S "/DRIVER=$(win "$WORK/wrimon-gui.sys")"
refuses 2 "a text file" "$setup" /S "/DRIVER=$(win "$ROOT/LICENSE")"
check "... and none of them installs anything" absent "$inst"

# ---- Silent install of an older version, then the upgrade ----
code=0
install "$older_setup" /S "/DRIVER=$(win "$BUILD/bin/wrimon.sys")" || code=$?
check "the silent install of version 0.0.1 succeeds (exit code $code)" [ "$code" -eq 0 ]
check "... and records its version" [ "$(installed_version)" = 0.0.1 ]
wine reg add "$settings_key\\Interface Settings" /v m_csLanguage /d Upgrade /f </dev/null >/dev/null 2>&1

code=0
install_verbatim "$setup" '/S /D=C:\Program Files\Elsewhere' || code=$?
check "an upgrade into another folder is refused (exit code $code)" [ "$code" -eq 4 ]
check "... and installs nothing there" absent "$drive_c/Program Files/Elsewhere"
code=0
install "$setup" /S || code=$?
check "the silent upgrade succeeds (exit code $code)" [ "$code" -eq 0 ]
check "... records the new version" [ "$(installed_version)" = "$version" ]
check "... keeps the driver" cmp -s "$BUILD/bin/wrimon.sys" "$inst/wrimon.sys"
check "... keeps the settings" contains "$(query "$settings_key\\Interface Settings" /v m_csLanguage)" 'Upgrade'
for f in tavrello.exe README.txt LICENSE.txt uninstall.exe; do
    check "installed: $f" [ -f "$inst/$f" ]
done
check "the installed program is the zip's" cmp -s <(zipped_program) "$inst/tavrello.exe"
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
# The Run value of an earlier version goes at the program's exit.
wine reg add "$run_key" /v Tavrello /d 'C:\Old\tavrello.exe' /f </dev/null >/dev/null 2>&1
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

check "the program kept its collected data" [ -f "$(data_folder)/Monitored.Files" ]
check "the program removed the Run value of earlier versions" key_absent "$run_key" /v Tavrello
# Under Wine every folder belongs to the user as well, so the program makes no logon task.
sid=$(query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList' | grep -o 'S-1-5-21-[0-9-]*' | head -1)
task="$drive_c/windows/system32/tasks/Tavrello autostart $sid"
check "the program made no logon task for its folder, which the user can change" absent "$task"

# ---- A newer version is not replaced by an older one unless asked ----
code=0
install "$newer_setup" /S || code=$?
check "the upgrade to version 99.0.0 succeeds (exit code $code)" [ "$code" -eq 0 ]
check "... and records its version" [ "$(installed_version)" = 99.0.0 ]
code=0
install "$setup" /S || code=$?
check "the older installer refuses to replace it (exit code $code)" [ "$code" -eq 5 ]
check "... and leaves it as it was" [ "$(installed_version)" = 99.0.0 ]
code=0
install "$setup" /S /ALLOWDOWNGRADE || code=$?
check "with /ALLOWDOWNGRADE it goes back (exit code $code)" [ "$code" -eq 0 ]
check "... to this version" [ "$(installed_version)" = "$version" ]
check "... and keeps the driver" cmp -s "$BUILD/bin/wrimon.sys" "$inst/wrimon.sys"

# An autostart task as the program makes it on Windows, for the uninstaller to remove.
python3 - "$WORK/task.xml" <<'PYTHON'
import sys
xml = """<?xml version="1.0" encoding="UTF-16"?>
<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">
  <Actions><Exec><Command>C:\\Program Files\\Tavrello\\tavrello.exe</Command></Exec></Actions>
</Task>
"""
open(sys.argv[1], "wb").write(b"\xff\xfe" + xml.encode("utf-16-le"))
PYTHON
wine schtasks /create /xml "$(win "$WORK/task.xml")" /tn "Tavrello autostart $sid" </dev/null >/dev/null 2>&1
check "an autostart task exists" [ -f "$task" ]

# A Wrimon service as a Tavrello that did not close leaves it: created and running.
wine sc create Wrimon type= filesys start= demand binpath= "$inst_win\\wrimon.sys" </dev/null >/dev/null 2>&1
wine sc start Wrimon </dev/null >/dev/null 2>&1
check "a leftover Wrimon service runs" contains "$(wine sc query Wrimon </dev/null 2>/dev/null)" 'RUNNING'

# ---- Silent uninstall, waited for, data kept ----
wine reg add "$run_key" /v Tavrello /d "$inst_win\\tavrello.exe" /f </dev/null >/dev/null 2>&1
# As the README says: start "" /wait "...\uninstall.exe" /S _?=<folder>, the folder unquoted; Wine quotes
# a word with a blank, so the folder goes as the words between its blanks.
read -r -a folder_words <<<"_?=$inst_win"
code=0
wine cmd /c start "" /wait "$inst_win\\uninstall.exe" /S "${folder_words[@]}" </dev/null >/dev/null 2>&1 || code=$?
check "the silent uninstall run in place (_?=) ends well (exit code $code)" [ "$code" -eq 0 ]
done_when_returned() { [ ! -e "$inst/tavrello.exe" ] && ! uninstaller_runs; }
check "... and is done when it returns" done_when_returned
check "... leaving only itself, which the caller deletes" [ "$(ls "$inst")" = uninstall.exe ]
rm -f "$inst/uninstall.exe"
rmdir "$inst"
check "uninstalled: the shortcut" absent "$shortcut"
check "uninstalled: the uninstall entry" key_absent "$entry_key"
check "uninstalled: the autostart value" key_absent "$run_key" /v Tavrello
check "uninstalled: the autostart task" absent "$task"
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
