#!/usr/bin/env python3
"""Regenerates every icon, bitmap and cursor of resources/ from the drawings in glyphs.py.

Usage: python3 resources/art/make_art.py   (writes into resources/, next to tavrello.rc)
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import glyphs  # noqa: E402
from formats import write_bmp24, write_cur, write_ico  # noqa: E402
from raster import Canvas, Pen  # noqa: E402

OUT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
MAGENTA = (255, 0, 255)

APP_ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
BUTTON_ICON_SIZES = (16, 24, 32, 48)

# Icon resource files: name -> glyph. The .rc names the ids.
BUTTON_ICONS = {
    "start.ico": "start",
    "stop.ico": "stop",
    "calculate.ico": "calculate",
    "options.ico": "options",
    "processes.ico": "processes",
    "menu.ico": "menu",
}


def app_icon_canvas(size):
    cv = Canvas(size, size)
    if size == 16:
        glyphs.app_emblem_16(Pen(cv))
    else:
        glyphs.app_emblem(Pen(cv, size / 32.0))
    return cv


def button_icon_canvas(name, size):
    """Button icons keep their glyph in the upper part of the square, where the button draws the icon
    above its caption; the small sizes, meant for lists and menus, centre it."""
    cv = Canvas(size, size)
    dy = 4.0 if size < 32 else 0.0
    glyphs.BUTTON_GLYPHS[name](Pen(cv, size / 32.0), dy)
    return cv


def tree_strip_canvas():
    cv = Canvas(48, 16)
    glyphs.tree_drive(Pen(cv, 1.0, 0, 0))
    glyphs.tree_folder(Pen(cv, 1.0, 16, 0))
    glyphs.tree_file(Pen(cv, 1.0, 32, 0))
    return cv


def drive_pictures():
    """(unselected, selected) canvases of 64 x 44."""
    out = []
    for selected in (False, True):
        cv = Canvas(64, 44)
        glyphs.drive_picture(Pen(cv), selected)
        out.append(cv)
    return out


def drives_strip_rows():
    """128 x 48: both pictures in the top 44 rows, each flattened on its own row colour."""
    unselected, selected = drive_pictures()
    a = unselected.flatten(glyphs.DIALOG_BG, key=MAGENTA)
    b = selected.flatten(glyphs.TEXT, key=MAGENTA)
    rows = [ra + rb for ra, rb in zip(a, b)]
    rows += [[MAGENTA] * 128 for _ in range(4)]
    return rows


def logo_canvas():
    cv = Canvas(280, 70, glyphs.DIALOG_BG)
    glyphs.logo(cv)
    return cv


def cursor_canvas():
    cv = Canvas(32, 32)
    glyphs.cursor_hand(Pen(cv))
    return cv


def main():
    write_ico(os.path.join(OUT, "app.ico"), [app_icon_canvas(s).rgba_rows() for s in APP_ICON_SIZES])
    for filename, name in BUTTON_ICONS.items():
        write_ico(os.path.join(OUT, filename),
                  [button_icon_canvas(name, s).rgba_rows() for s in BUTTON_ICON_SIZES])
    write_bmp24(os.path.join(OUT, "tree.bmp"), tree_strip_canvas().flatten(glyphs.CONTROL_BG, key=MAGENTA))
    write_bmp24(os.path.join(OUT, "drives.bmp"), drives_strip_rows())
    write_bmp24(os.path.join(OUT, "logo.bmp"), logo_canvas().flatten(glyphs.DIALOG_BG))
    write_cur(os.path.join(OUT, "link.cur"), cursor_canvas().rgba_rows(), glyphs.CURSOR_HOTSPOT)
    print("artwork written to", OUT)


if __name__ == "__main__":
    main()
