#!/usr/bin/env python3
"""Renders a contact sheet of the artwork as PNG, for looking at it while drawing.

Usage: python3 resources/art/preview.py OUTDIR
Writes OUTDIR/sheet.png (everything at 1x on the colours it is shown on) and OUTDIR/sheet4x.png (the
same, enlarged four times without smoothing). Previews are not part of the build.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import glyphs  # noqa: E402
import make_art  # noqa: E402
from formats import write_png  # noqa: E402


class Sheet:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.rows = [[glyphs.DIALOG_BG] * w for _ in range(h)]

    def rect(self, x, y, w, h, colour):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.rows[j][i] = colour

    def put_rows(self, x, y, rows):
        for j, row in enumerate(rows):
            for i, px in enumerate(row):
                self.rows[y + j][x + i] = px

    def put_canvas(self, x, y, cv, background):
        self.put_rows(x, y, cv.flatten(background))

    def scaled(self, k):
        return [[px for px in row for _ in range(k)] for row in self.rows for _ in range(k)]


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(outdir, exist_ok=True)
    sheet = Sheet(500, 280)
    # Application icon at every size, on the dialog colour and on a light colour.
    x = 4
    for s in make_art.APP_ICON_SIZES[:-1]:
        sheet.put_canvas(x, 4, make_art.app_icon_canvas(s), glyphs.DIALOG_BG)
        sheet.rect(x, 72, s, s, (235, 235, 235))
        sheet.put_canvas(x, 72, make_art.app_icon_canvas(s), (235, 235, 235))
        x += s + 6
    # Button glyphs at 32 on a button-sized cell (75 x 49 px), and the small sizes.
    x = 4
    for name in glyphs.BUTTON_GLYPHS:
        sheet.rect(x, 140, 75, 49, glyphs.CONTROL_BG)
        sheet.put_canvas(x + (75 - 32) // 2, 146, make_art.button_icon_canvas(name, 32), glyphs.CONTROL_BG)
        sheet.put_canvas(x, 196, make_art.button_icon_canvas(name, 16), glyphs.CONTROL_BG)
        sheet.put_canvas(x + 20, 196, make_art.button_icon_canvas(name, 24), glyphs.CONTROL_BG)
        x += 80
    # Tree strip on the tree colour, drive pictures as the list shows them, cursor, logo.
    sheet.rect(4, 228, 60, 20, glyphs.CONTROL_BG)
    sheet.put_canvas(6, 230, make_art.tree_strip_canvas(), glyphs.CONTROL_BG)
    rows = make_art.drives_strip_rows()
    sheet.put_rows(70, 226, [[glyphs.CONTROL_BG if p == make_art.MAGENTA else p for p in r] for r in rows])
    sheet.rect(204, 228, 36, 36, (255, 255, 255))
    sheet.put_canvas(206, 230, make_art.cursor_canvas(), (255, 255, 255))
    sheet.put_canvas(246, 230, make_art.cursor_canvas(), glyphs.DIALOG_BG)
    write_png(os.path.join(outdir, "sheet.png"), sheet.rows)
    write_png(os.path.join(outdir, "sheet4x.png"), sheet.scaled(4))
    logo = make_art.logo_canvas()
    write_png(os.path.join(outdir, "logo.png"), logo.flatten(glyphs.DIALOG_BG))
    big = make_art.app_icon_canvas(256)
    write_png(os.path.join(outdir, "app256.png"), big.flatten(glyphs.DIALOG_BG))


if __name__ == "__main__":
    main()
