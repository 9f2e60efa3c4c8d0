# Sourced by the Wine helpers: puts Wine's own fonts (Debian's fonts-wine: Tahoma, MS Sans Serif, Marlett
# and the rest) into the prefix's Fonts folder. This Wine does not look where the package installs them,
# and without them dialogs fall back to DejaVu and caption buttons draw as the letters "0 1 r". Every
# prefix gets the same fonts, so every machine renders the same.
# Needs WINEPREFIX and a booted prefix (wineboot creates windows\Fonts).
wine_install_fonts() {
    local src=/usr/share/wine/fonts
    local dst="$WINEPREFIX/drive_c/windows/Fonts"
    if ! ls "$src"/*.ttf >/dev/null 2>&1; then
        echo "wine: no fonts in $src (package fonts-wine; scripts/setup.sh installs it)" >&2
        return 1
    fi
    mkdir -p "$dst"
    local f
    for f in "$src"/*.ttf; do
        cmp -s "$f" "$dst/$(basename "$f")" || cp "$f" "$dst/"
    done
}
