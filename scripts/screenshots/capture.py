#!/usr/bin/env python3
"""Writes a rectangle of the X screen $DISPLAY as a PNG file: what the screen shows there, every window
and open menu included (the root window's image of a server without a compositor).

    capture.py [--backdrop <red> <green> <blue>] <file.png> <x> <y> <width> <height>

--backdrop first paints the screen behind all windows in that colour. It is painted at every capture,
in the same connection: an X server resets the screen whenever its last client has gone.

Only libX11 (already there for Wine and the X utilities) and Python's own zlib are used.
"""
import ctypes
import ctypes.util
import struct
import sys
import time
import zlib

Z_PIXMAP = 2
ALL_PLANES = ctypes.c_ulong(-1).value
LSB_FIRST = 0
# A window that is being painted while it is read comes out torn: the screen is read until two readings
# a moment apart agree.
STABLE_TRIES = 20
STABLE_PAUSE_S = 0.15


class XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, which is all that is read here.
    _fields_ = [
        ("width", ctypes.c_int),
        ("height", ctypes.c_int),
        ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int),
        ("data", ctypes.c_void_p),
        ("byte_order", ctypes.c_int),
        ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int),
        ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int),
        ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int),
        ("red_mask", ctypes.c_ulong),
        ("green_mask", ctypes.c_ulong),
        ("blue_mask", ctypes.c_ulong),
    ]


def load_xlib():
    name = ctypes.util.find_library("X11") or "libX11.so.6"
    xlib = ctypes.CDLL(name)
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = ctypes.c_ulong
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XDefaultScreen.argtypes = [ctypes.c_void_p]
    xlib.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XGetImage.restype = ctypes.POINTER(XImage)
    xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                               ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    xlib.XSetWindowBackground.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong]
    xlib.XClearWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return xlib


class Screen:
    """The X display of $DISPLAY, open while the object lives."""

    def __init__(self):
        self.xlib = load_xlib()
        self.display = self.xlib.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display (is DISPLAY set?)")
        self.root = self.xlib.XDefaultRootWindow(self.display)
        number = self.xlib.XDefaultScreen(self.display)
        self.width = self.xlib.XDisplayWidth(self.display, number)
        self.height = self.xlib.XDisplayHeight(self.display, number)

    def close(self):
        self.xlib.XCloseDisplay(self.display)

    def set_backdrop(self, red, green, blue):
        """Paints the root window, which shows wherever no window is, in one colour (depth 24)."""
        self.xlib.XSetWindowBackground(self.display, self.root, (red << 16) | (green << 8) | blue)
        self.xlib.XClearWindow(self.display, self.root)
        self.xlib.XSync(self.display, 0)

    def grab_stable(self, x, y, width, height):
        """grab() until two readings agree; the last reading when they never do."""
        last = self.grab(x, y, width, height)
        for _ in range(STABLE_TRIES):
            time.sleep(STABLE_PAUSE_S)
            current = self.grab(x, y, width, height)
            if current == last:
                return current
            last = current
        print("capture: the screen kept changing; the last reading is kept", file=sys.stderr)
        return last

    def grab(self, x, y, width, height):
        """The rectangle, clipped to the screen, as rows of RGB bytes; returns (width, height, rows)."""
        right = min(x + width, self.width)
        bottom = min(y + height, self.height)
        x, y = max(x, 0), max(y, 0)
        if right <= x or bottom <= y:
            raise RuntimeError("the rectangle lies off the screen")
        width, height = right - x, bottom - y
        image_ptr = self.xlib.XGetImage(self.display, self.root, x, y, width, height, ALL_PLANES, Z_PIXMAP)
        if not image_ptr:
            raise RuntimeError("XGetImage failed")
        image = image_ptr.contents
        # The private Xvfb runs at depth 24: four bytes a pixel, blue first.
        if (image.bits_per_pixel != 32 or image.byte_order != LSB_FIRST or image.red_mask != 0xFF0000 or
                image.green_mask != 0xFF00 or image.blue_mask != 0xFF):
            raise RuntimeError("unsupported screen format: %d bits a pixel, masks %x %x %x" %
                               (image.bits_per_pixel, image.red_mask, image.green_mask, image.blue_mask))
        raw = ctypes.string_at(image.data, image.bytes_per_line * height)
        line = image.bytes_per_line
        # XDestroyImage is a macro that ctypes cannot reach; the image's two blocks go back to Xlib.
        self.xlib.XFree(ctypes.c_void_p(image.data))
        self.xlib.XFree(ctypes.cast(image_ptr, ctypes.c_void_p))
        rows = []
        for row in range(height):
            pixels = raw[row * line:row * line + 4 * width]
            rgb = bytearray(3 * width)
            rgb[0::3] = pixels[2::4]
            rgb[1::3] = pixels[1::4]
            rgb[2::3] = pixels[0::4]
            rows.append(bytes(rgb))
        return width, height, rows


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write_png(path, width, height, rows):
    # Filter "Up" on every row: flat window areas then compress to almost nothing.
    previous = bytes(3 * width)
    filtered = bytearray()
    for row in rows:
        filtered.append(2)
        filtered += bytes((a - b) & 0xFF for a, b in zip(row, previous))
        previous = row
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(bytes(filtered), 9)) + png_chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(data)


def main(argv):
    args = argv[1:]
    backdrop = None
    if len(args) == 9 and args[0] == "--backdrop":
        backdrop = tuple(int(value) for value in args[1:4])
        args = args[4:]
    if len(args) != 5:
        print("usage: capture.py [--backdrop <red> <green> <blue>] <file.png> <x> <y> <width> <height>",
              file=sys.stderr)
        return 2
    path = args[0]
    x, y, width, height = (int(value) for value in args[1:])
    try:
        screen = Screen()
        try:
            if backdrop:
                screen.set_backdrop(*backdrop)
            width, height, rows = screen.grab_stable(x, y, width, height)
        finally:
            screen.close()
        write_png(path, width, height, rows)
    except (RuntimeError, OSError) as error:
        print("capture: %s: %s" % (path, error), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
