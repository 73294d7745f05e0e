#!/usr/bin/env python3
"""Draws the toolbar glyphs SB1.gif .. SB30.gif (16 x 16, 8-bit GIF).

The bottom-left pixel's colour (magenta) is the transparent colour of a glyph. Glyph n belongs to
the toolbar button whose Tag is n - 1. Run: python3 make_glyphs.py <output folder>.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

KEY = (255, 0, 255)
INK = (0, 0, 0)
BLUE = (0, 70, 170)
GREY = (120, 120, 120)
WHITE = (255, 255, 255)
YELLOW = (230, 190, 40)
RED = (200, 30, 30)

SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def font(path, size):
    try:
        return ImageFont.truetype(path, size)
    except OSError:
        return ImageFont.load_default()


def letter(d, text, size=13, path=SERIF, xy=(8, 8), fill=INK):
    d.text(xy, text, font=font(path, size), fill=fill, anchor="mm")


def page(d):
    d.polygon([(3, 1), (10, 1), (13, 4), (13, 14), (3, 14)], fill=WHITE, outline=INK)
    d.line([(10, 1), (10, 4), (13, 4)], fill=INK)


def glyph(n, d):
    if n == 1:  # new
        page(d)
    elif n == 2:  # open
        d.polygon([(1, 4), (6, 4), (7, 5), (14, 5), (14, 13), (1, 13)], fill=YELLOW, outline=INK)
    elif n == 3:  # save
        d.rectangle([2, 2, 13, 13], fill=BLUE, outline=INK)
        d.rectangle([4, 2, 11, 6], fill=WHITE, outline=INK)
        d.rectangle([5, 9, 10, 13], fill=GREY)
    elif n == 4:  # print
        d.rectangle([4, 1, 11, 6], fill=WHITE, outline=INK)
        d.rectangle([1, 6, 14, 11], fill=GREY, outline=INK)
        d.rectangle([4, 10, 11, 14], fill=WHITE, outline=INK)
    elif n == 5:  # preview
        page(d)
        d.ellipse([4, 5, 10, 11], fill=WHITE, outline=BLUE)
        d.line([(9, 10), (12, 13)], fill=BLUE, width=2)
    elif n == 6:  # undo
        d.arc([3, 4, 14, 14], 180, 90, fill=BLUE, width=2)
        d.polygon([(1, 9), (6, 9), (3, 5)], fill=BLUE)
    elif n == 7:  # copy
        d.rectangle([1, 1, 9, 10], fill=WHITE, outline=INK)
        d.rectangle([6, 5, 14, 14], fill=WHITE, outline=INK)
    elif n == 8:  # cut
        d.line([(4, 1), (10, 10)], fill=INK)
        d.line([(11, 1), (5, 10)], fill=INK)
        d.ellipse([1, 10, 6, 15], outline=RED)
        d.ellipse([9, 10, 14, 15], outline=RED)
    elif n == 9:  # paste
        d.rectangle([2, 2, 12, 14], fill=YELLOW, outline=INK)
        d.rectangle([5, 1, 9, 3], fill=GREY, outline=INK)
        d.rectangle([6, 6, 14, 14], fill=WHITE, outline=INK)
    elif n == 10:
        letter(d, "B")
    elif n == 11:
        letter(d, "I", path="/usr/share/fonts/truetype/dejavu/DejaVuSerif-BoldItalic.ttf")
    elif n == 12:
        letter(d, "U", xy=(8, 7))
        d.line([(3, 14), (12, 14)], fill=INK)
    elif n == 13:
        letter(d, "S")
        d.line([(2, 8), (13, 8)], fill=RED)
    elif n == 14:  # superscript
        letter(d, "x", size=12, xy=(6, 10))
        letter(d, "2", size=8, path=SANS, xy=(12, 4), fill=BLUE)
    elif n == 15:  # subscript
        letter(d, "x", size=12, xy=(6, 7))
        letter(d, "2", size=8, path=SANS, xy=(12, 12), fill=BLUE)
    elif n == 16:  # mid-script
        letter(d, "x", size=12, xy=(6, 8))
        letter(d, "2", size=8, path=SANS, xy=(12, 8), fill=BLUE)
    elif n == 17:  # text tool
        letter(d, "A", size=12, path=SANS, xy=(6, 8))
        d.line([(13, 2), (13, 13)], fill=INK)
        d.line([(11, 2), (15, 2)], fill=INK)
        d.line([(11, 13), (15, 13)], fill=INK)
    elif n == 18:  # select
        for x in range(1, 15, 2):
            d.point((x, 2), fill=INK)
            d.point((x, 13), fill=INK)
        for y in range(2, 14, 2):
            d.point((1, y), fill=INK)
            d.point((14, y), fill=INK)
    elif n == 19:  # draw
        d.line([(2, 14), (12, 4)], fill=INK, width=3)
        d.polygon([(11, 2), (14, 5), (13, 1)], fill=YELLOW)
        d.point((1, 15), fill=INK)
    elif n == 20:  # move
        d.line([(8, 1), (8, 14)], fill=INK)
        d.line([(1, 8), (14, 8)], fill=INK)
        for p in ([(8, 0), (5, 3), (11, 3)], [(8, 15), (5, 12), (11, 12)], [(0, 8), (3, 5), (3, 11)], [(15, 8), (12, 5), (12, 11)]):
            d.polygon(p, fill=INK)
    elif n == 21:  # shapes
        d.rectangle([1, 1, 9, 9], outline=BLUE)
        d.ellipse([6, 6, 14, 14], outline=RED)
    elif n == 22:  # line width
        for y, w in ((3, 1), (7, 2), (12, 3)):
            d.line([(1, y), (14, y)], fill=INK, width=w)
    elif n == 23:  # line style
        for x in range(1, 15, 4):
            d.line([(x, 4), (x + 2, 4)], fill=INK)
        for x in range(1, 15, 2):
            d.point((x, 8), fill=INK)
        d.line([(1, 12), (14, 12)], fill=INK)
    elif n == 24:  # brush
        d.rectangle([1, 1, 14, 14], outline=INK)
        for k in range(-14, 15, 4):
            d.line([(1 + max(0, k), 1 + max(0, -k)), (14 + min(0, k), 14 + min(0, -k))], fill=BLUE)
    elif n == 25:  # pen colour
        d.line([(2, 13), (12, 3)], fill=INK, width=2)
        d.rectangle([1, 13, 14, 15], fill=RED)
    elif n == 26:  # pen mode
        d.rectangle([1, 1, 9, 9], fill=INK)
        d.rectangle([6, 6, 14, 14], fill=WHITE, outline=INK)
        d.rectangle([6, 6, 9, 9], fill=GREY)
    elif n == 30:  # macro text window: a sheet of lines with an "M"
        page(d)
        letter(d, "M", size=9, path=SANS, xy=(8, 9), fill=BLUE)
    else:  # colour pickers
        d.polygon([(3, 14), (2, 11), (10, 3), (13, 6), (5, 14)], fill=GREY, outline=INK)
        d.rectangle([10, 1, 14, 5], fill=[RED, BLUE, YELLOW][(n - 27) % 3])


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for n in range(1, 31):
        img = Image.new("RGB", (16, 16), KEY)
        draw = ImageDraw.Draw(img)
        draw.fontmode = "1"  # no antialiasing: edges must not blend with the transparent colour
        glyph(n, draw)
        img.putpixel((0, 15), KEY)
        img.convert("P", palette=Image.ADAPTIVE, colors=16).save(os.path.join(folder, "SB%d.gif" % n))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "glyphs"))
