#!/usr/bin/env python3
"""Draws the client's pictures and writes them as Windows BMP, ICO and PNG files.

The three 25 x 25 mode pictures beside the radio buttons (256 colours), the
48 x 15 strip of the operations list (three 16-pixel pictures, 16 colours, on
light grey 192,192,192, the list's transparent colour) and the application
icon (32 x 32 and 16 x 16, 16 colours). The same icon is also written as PNG
files for the Linux desktop's icon theme, at 16, 32, 48, 64, 128 and 256
pixels: the larger sizes are the small pictures enlarged pixel by pixel, so
they keep the icon's look. Only the standard library is used, so the pictures
can be redrawn on any machine:

    python3 res/tools/draw_pictures.py res/pictures

The output is deterministic: running it again gives the same bytes.
"""

import struct
import sys
import zlib
from pathlib import Path

# The 16 colours of the classic Windows palette, in its usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

FACE = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
YELLOW = (255, 255, 0)


class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def hline(self, x0, x1, y, colour):
        self.rect(x0, y, x1, y, colour)

    def vline(self, x, y0, y1, colour):
        self.rect(x, y0, x, y1, colour)


def shade(colour, factor):
    return tuple(min(255, int(c * factor)) for c in colour)


def draw_book(canvas, left, top, width, height, cover, spine=None):
    """A closed book seen from the front: dark spine on the left, white page
    edges on the right and at the bottom, a black outline. The 16-colour
    pictures pass a spine colour from their palette."""
    right, bottom = left + width - 1, top + height - 1
    canvas.rect(left, top, right, bottom, BLACK)
    canvas.rect(left + 1, top + 1, right - 2, bottom - 2, cover)
    canvas.vline(left + 2, top + 1, bottom - 2, spine or shade(cover, 0.55))
    canvas.vline(right - 1, top + 2, bottom - 1, WHITE)
    canvas.hline(left + 2, right - 1, bottom - 1, WHITE)


def draw_arrow(canvas, tip_x, mid_y, length, pointing_right, colour):
    """A thick arrow along row mid_y, outlined in black so it reads on any cover."""
    step = 1 if pointing_right else -1
    tail_x = tip_x - step * (length - 1)
    head = 4
    body = []
    for i in range(length - head):
        x = tail_x + step * i
        body += [(x, mid_y - 1), (x, mid_y), (x, mid_y + 1)]
    for i in range(head):
        x = tip_x - step * i
        for dy in range(-i, i + 1):
            body.append((x, mid_y + dy))
    filled = set(body)
    for x, y in filled:
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if (nx, ny) not in filled:
                canvas.put(nx, ny, BLACK)
    for x, y in filled:
        canvas.put(x, y, colour)


def mode_picture(cover, pointing_right):
    canvas = Canvas(25, 25, FACE)
    draw_book(canvas, 3, 2, 15, 21, cover)
    if pointing_right:
        draw_arrow(canvas, 22, 12, 14, True, YELLOW)
    else:
        draw_arrow(canvas, 2, 12, 14, False, YELLOW)
    return canvas


def mode_strip():
    canvas = Canvas(48, 15, FACE)
    for i, cover in enumerate([(128, 0, 0), (128, 128, 0), (128, 128, 128)]):
        draw_book(canvas, 16 * i + 3, 1, 10, 13, cover, BLACK)
    return canvas


def icon_picture(size):
    canvas = Canvas(size, size, None)
    if size == 32:
        draw_book(canvas, 6, 2, 20, 28, (128, 0, 0), BLACK)
        canvas.rect(11, 8, 19, 9, YELLOW)
        canvas.rect(11, 12, 17, 13, YELLOW)
    else:
        draw_book(canvas, 3, 1, 10, 14, (128, 0, 0), BLACK)
        canvas.hline(6, 9, 5, YELLOW)
    return canvas


def palette_index(palette, colour):
    try:
        return palette.index(colour)
    except ValueError:
        raise SystemExit(f"colour {colour} is not in the palette")


def dib_rows(canvas, palette, bits):
    """Pixel rows bottom-up, each padded to four bytes, at 4 or 8 bits a pixel."""
    rows = []
    for y in reversed(range(canvas.height)):
        indices = [palette_index(palette, c if c is not None else BLACK)
                   for c in canvas.pixels[y]]
        if bits == 8:
            row = bytes(indices)
        else:
            if len(indices) % 2:
                indices.append(0)
            row = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, len(indices), 2))
        rows.append(row + b"\0" * (-len(row) % 4))
    return b"".join(rows)


def info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       2835, 2835, colours, 0)


def palette_bytes(palette):
    return b"".join(bytes((b, g, r, 0)) for r, g, b in palette)


def bmp_file(canvas, palette, bits):
    pixels = dib_rows(canvas, palette, bits)
    header = info_header(canvas.width, canvas.height, bits, len(pixels), len(palette))
    offset = 14 + len(header) + 4 * len(palette)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + header + palette_bytes(palette) + pixels


def and_mask(canvas):
    """1 bit a pixel, set where the icon is transparent."""
    rows = []
    for y in reversed(range(canvas.height)):
        bits = [1 if c is None else 0 for c in canvas.pixels[y]]
        row = bytearray()
        for i in range(0, len(bits), 8):
            byte = 0
            for b in bits[i:i + 8]:
                byte = (byte << 1) | b
            row.append(byte << (8 - len(bits[i:i + 8])))
        rows.append(bytes(row) + b"\0" * (-len(row) % 4))
    return b"".join(rows)


def ico_file(canvases):
    images = []
    for canvas in canvases:
        xor = dib_rows(canvas, VGA16, 4)
        mask = and_mask(canvas)
        header = info_header(canvas.width, 2 * canvas.height, 4, len(xor) + len(mask), 16)
        images.append(header + palette_bytes(VGA16) + xor + mask)
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for canvas, data in zip(canvases, images):
        entries += struct.pack("<BBBBHHII", canvas.width, canvas.height, 16, 0, 1, 4,
                               len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(images)


def png_file(canvas, scale):
    """The canvas enlarged scale times, as an 8-bit RGBA PNG; transparent where
    the icon is. Fixed compression settings keep the bytes the same every run."""
    rows = []
    for y in range(canvas.height):
        row = bytearray()
        for c in canvas.pixels[y]:
            pixel = bytes((0, 0, 0, 0)) if c is None else bytes(c) + b"\xff"
            row += pixel * scale
        rows += [b"\0" + bytes(row)] * scale   # filter type 0 on every line

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data)))

    # 8 bits a sample, colour type 6 (RGBA), deflate, no filter choice, no interlace.
    header = struct.pack(">IIBBBBB", canvas.width * scale, canvas.height * scale, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


# The icon's PNG sizes: each drawn from the picture that enlarges to it by a
# whole factor, the 16-pixel one only where the 32-pixel one cannot.
ICON_PNG_SIZES = {16: (16, 1), 32: (32, 1), 48: (16, 3), 64: (32, 2), 128: (32, 4),
                  256: (32, 8)}


def palette256(*canvases):
    """The colours the pictures use, then black up to 256 entries."""
    colours = []
    for canvas in canvases:
        for row in canvas.pixels:
            for c in row:
                if c not in colours:
                    colours.append(c)
    return colours + [BLACK] * (256 - len(colours))


def main(argv):
    out = Path(argv[1] if len(argv) > 1 else "res/pictures")
    out.mkdir(parents=True, exist_ok=True)
    loan = mode_picture((220, 0, 0), True)
    ret = mode_picture((0, 160, 0), False)
    request = mode_picture((0, 0, 220), True)
    palette = palette256(loan, ret, request)
    (out / "book_loan.bmp").write_bytes(bmp_file(loan, palette, 8))
    (out / "book_return.bmp").write_bytes(bmp_file(ret, palette, 8))
    (out / "book_request.bmp").write_bytes(bmp_file(request, palette, 8))
    (out / "mode_strip.bmp").write_bytes(bmp_file(mode_strip(), VGA16, 4))
    (out / "quorvelp.ico").write_bytes(ico_file([icon_picture(32), icon_picture(16)]))
    for size, (drawn, scale) in ICON_PNG_SIZES.items():
        (out / f"quorvelp_{size}.png").write_bytes(png_file(icon_picture(drawn), scale))


if __name__ == "__main__":
    main(sys.argv)
