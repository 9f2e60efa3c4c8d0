# Sourced by the Wine helpers: puts the stand-in filter manager library (built as <bin>/system32/fltlib.dll)
# into the prefix's system folder, where the program looks for fltlib.dll; it never loads one from its own
# folder. Wine then takes it instead of its own fltlib.dll, which lacks what the program calls.
# Needs WINEPREFIX and a booted prefix. Does nothing for a build without the stand-ins.
wine_install_standin_library() {
    local src="$1/system32/fltlib.dll"
    local dst="$WINEPREFIX/drive_c/windows/system32"
    [ -f "$src" ] || return 0
    mkdir -p "$dst"
    cmp -s "$src" "$dst/fltlib.dll" || cp "$src" "$dst/fltlib.dll"
}
