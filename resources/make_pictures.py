#!/usr/bin/env python3
"""Draws the program's pictures: the splash (SPLASH_GIF.gif and the bitmap SPLASH.bmp), the logo
of the About box (LOGO.gif) and the pictures of the tips (one GIF per picture name that
TipsText.txt uses). Run: python3 make_pictures.py <output folder>.
"""
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

INK = (20, 20, 30)
MAROON = (128, 0, 0)
BLUE = (0, 70, 170)
LIGHT = (220, 232, 250)
GREY = (120, 120, 120)
WHITE = (255, 255, 255)
YELLOW = (230, 190, 40)
RED = (200, 30, 30)
GREEN = (30, 140, 60)

SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
SERIF_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def font(path, size):
    try:
        return ImageFont.truetype(path, size)
    except OSError:
        return ImageFont.load_default()


def equation(d, x, y, size):
    """A small typeset formula: x = (-b ± √(b² - 4ac)) / 2a."""
    f = font(SERIF, size)
    fi = font("/usr/share/fonts/truetype/dejavu/DejaVuSerif-Italic.ttf", size)
    d.text((x, y + size // 2), "x", font=fi, fill=INK)
    d.text((x + size, y + size // 2), "=", font=f, fill=INK)
    nx = x + 2 * size + size // 3
    d.text((nx, y - size // 5), "\u2212b \u00b1 \u221a", font=f, fill=INK)
    d.line([(nx + int(3.55 * size), y), (nx + int(6.9 * size), y)], fill=INK, width=max(1, size // 14))
    d.text((nx + int(3.65 * size), y - size // 5), "b\u00b2\u22124ac", font=fi, fill=INK)
    d.line([(nx, y + size + size // 4), (nx + int(6.9 * size), y + size + size // 4)], fill=INK, width=max(1, size // 12))
    d.text((nx + int(3.1 * size), y + size + size // 3), "2a", font=fi, fill=INK)


def drawing(d, x, y, s):
    """A technical sketch: a circle with centre lines, a rectangle and a dimension line."""
    d.ellipse([x, y, x + s, y + s], outline=BLUE, width=2)
    d.line([(x - 6, y + s // 2), (x + s + 6, y + s // 2)], fill=GREY)
    d.line([(x + s // 2, y - 6), (x + s // 2, y + s + 6)], fill=GREY)
    d.rectangle([x + s + 20, y + s // 4, x + 2 * s + 20, y + s], outline=MAROON, width=2)
    yy = y + s + 14
    d.line([(x, yy), (x + 2 * s + 20, yy)], fill=INK)
    for px, sgn in ((x, 1), (x + 2 * s + 20, -1)):
        d.polygon([(px, yy), (px + 7 * sgn, yy - 3), (px + 7 * sgn, yy + 3)], fill=INK)


def splash(w, h):
    img = Image.new("RGB", (w, h), WHITE)
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, 58], fill=LIGHT)
    d.text((w // 2, 30), "Korvalis V", font=font(SERIF_BOLD, 30), fill=MAROON, anchor="mm")
    equation(d, 22, 80, 18)
    drawing(d, 40, 160, 56)
    d.text((w // 2, h - 18), "Equations and technical drawings", font=font(SANS, 12), fill=GREY, anchor="mm")
    return img


def logo(s):
    img = Image.new("RGB", (s, s), WHITE)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([1, 1, s - 2, s - 2], radius=8, fill=LIGHT, outline=BLUE, width=2)
    d.text((s // 2 - 6, s // 2 + 2), "\u221a", font=font(SERIF_BOLD, s // 2), fill=MAROON, anchor="mm")
    d.text((s // 2 + 12, s // 2 + 6), "V", font=font(SERIF_BOLD, s // 3), fill=INK, anchor="mm")
    return img


def icon(s):
    """The program's desktop icon: the logo's root sign and V on a page with a corner turned over."""
    k = 4  # drawn large and scaled down, for smooth edges
    n = s * k
    img = Image.new("RGBA", (n, n), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    m, fold = n // 10, n // 4
    page = [(m, m), (n - m - fold, m), (n - m, m + fold), (n - m, n - m), (m, n - m)]
    d.polygon(page, fill=WHITE + (255,), outline=BLUE + (255,))
    d.line(page + [page[0]], fill=BLUE + (255,), width=max(1, n // 48), joint="curve")
    d.polygon([(n - m - fold, m), (n - m - fold, m + fold), (n - m, m + fold)], fill=LIGHT + (255,),
              outline=BLUE + (255,))
    d.text((n // 2 - n // 10, n // 2 + n // 20), "\u221a", font=font(SERIF_BOLD, n // 2), fill=MAROON + (255,),
           anchor="mm")
    d.text((n // 2 + n // 6, n // 2 + n // 10), "V", font=font(SERIF_BOLD, n // 3), fill=INK + (255,), anchor="mm")
    d.line([(m + n // 12, n - m - n // 8), (n - m - n // 12, n - m - n // 8)], fill=GREY + (255,), width=max(1, n // 64))
    return img.resize((s, s), Image.LANCZOS)


ICON_SIZES = (48, 128, 256)


def tip_picture(name, s=40):
    img = Image.new("RGB", (s, s), WHITE)
    d = ImageDraw.Draw(img)
    c = s // 2
    if name == "WELCOME":
        d.ellipse([4, 4, s - 5, s - 5], fill=YELLOW, outline=INK)
        d.arc([12, 12, s - 13, s - 11], 20, 160, fill=INK, width=2)
        d.ellipse([13, 13, 16, 16], fill=INK)
        d.ellipse([s - 17, 13, s - 14, 16], fill=INK)
    elif name == "TEXT":
        d.text((c, c), "Ab", font=font(SERIF_BOLD, 20), fill=INK, anchor="mm")
        d.line([(6, s - 7), (s - 6, s - 7)], fill=BLUE, width=2)
    elif name == "SYMBOL":
        d.text((c, c), "\u2211", font=font(SERIF, 30), fill=MAROON, anchor="mm")
    elif name == "SCRIPT":
        d.text((c - 5, c + 3), "x", font=font(SERIF, 24), fill=INK, anchor="mm")
        d.text((c + 9, c - 8), "2", font=font(SERIF, 13), fill=BLUE, anchor="mm")
    elif name == "DRAW":
        d.line([(6, s - 8), (s - 8, 8)], fill=BLUE, width=3)
        d.ellipse([4, s - 12, 10, s - 6], fill=RED)
    elif name == "SELECT":
        for k in range(4, s - 4, 6):
            d.line([(k, 4), (min(k + 3, s - 5), 4)], fill=INK)
            d.line([(k, s - 5), (min(k + 3, s - 5), s - 5)], fill=INK)
            d.line([(4, k), (4, min(k + 3, s - 5))], fill=INK)
            d.line([(s - 5, k), (s - 5, min(k + 3, s - 5))], fill=INK)
        d.rectangle([12, 12, s - 13, s - 13], fill=LIGHT, outline=BLUE)
    elif name == "MOVE":
        d.line([(c, 4), (c, s - 5)], fill=INK, width=2)
        d.line([(4, c), (s - 5, c)], fill=INK, width=2)
        for (ax, ay, bx, by, cx, cy) in ((c, 2, c - 5, 8, c + 5, 8), (c, s - 3, c - 5, s - 9, c + 5, s - 9),
                                         (2, c, 8, c - 5, 8, c + 5), (s - 3, c, s - 9, c - 5, s - 9, c + 5)):
            d.polygon([(ax, ay), (bx, by), (cx, cy)], fill=INK)
    elif name == "PICTURE":
        d.rectangle([4, 7, s - 5, s - 8], fill=LIGHT, outline=INK)
        d.polygon([(6, s - 10), (16, 16), (24, s - 14), (28, 20), (s - 7, s - 10)], fill=GREEN)
        d.ellipse([s - 14, 10, s - 8, 16], fill=YELLOW)
    elif name == "SAVE":
        d.rectangle([6, 6, s - 7, s - 7], fill=BLUE, outline=INK)
        d.rectangle([12, 6, s - 13, 16], fill=WHITE, outline=INK)
        d.rectangle([13, s - 16, s - 14, s - 7], fill=GREY)
    elif name == "PRINT":
        d.rectangle([11, 4, s - 12, 14], fill=WHITE, outline=INK)
        d.rectangle([4, 14, s - 5, s - 12], fill=GREY, outline=INK)
        d.rectangle([11, s - 16, s - 12, s - 4], fill=WHITE, outline=INK)
    elif name == "MACRO":
        d.rectangle([4, 6, s - 5, s - 7], fill=WHITE, outline=INK)
        for k, col in ((12, MAROON), (19, BLUE), (26, GREEN)):
            d.line([(8, k), (s - 9, k)], fill=col, width=2)
    elif name == "UNDO":
        d.arc([8, 10, s - 6, s - 6], 180, 90, fill=BLUE, width=3)
        d.polygon([(3, c + 2), (14, c + 2), (8, c - 7)], fill=BLUE)
    elif name == "ZOOM":
        d.ellipse([5, 5, 27, 27], fill=LIGHT, outline=INK, width=2)
        d.line([(24, 24), (s - 5, s - 5)], fill=INK, width=4)
        d.text((16, 16), "+", font=font(SANS_BOLD, 16), fill=INK, anchor="mm")
    elif name == "HELP":
        d.ellipse([4, 4, s - 5, s - 5], fill=BLUE)
        d.text((c, c + 1), "?", font=font(SANS_BOLD, 24), fill=WHITE, anchor="mm")
    else:
        raise ValueError(name)
    return img


TIP_PICTURES = ["WELCOME", "TEXT", "SYMBOL", "SCRIPT", "DRAW", "SELECT", "MOVE", "PICTURE", "SAVE", "PRINT",
                "MACRO", "UNDO", "ZOOM", "HELP"]


def save_gif(img, path):
    img.convert("P", palette=Image.ADAPTIVE, colors=64).save(path)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    save_gif(splash(302, 297), os.path.join(folder, "SPLASH_GIF.gif"))
    # The bitmap stand-in: the same picture, marked so that one can tell which one is shown.
    bmp = splash(302, 297)
    ImageDraw.Draw(bmp).text((6, 282), "bmp", font=font(SANS, 9), fill=GREY)
    bmp.save(os.path.join(folder, "SPLASH.bmp"))
    save_gif(logo(64), os.path.join(folder, "LOGO.gif"))
    for name in TIP_PICTURES:
        save_gif(tip_picture(name), os.path.join(folder, name + ".gif"))
    # The desktop icon, one PNG per size the installation puts in the icon theme.
    for size in ICON_SIZES:
        icon(size).save(os.path.join(folder, "korvalis-%d.png" % size))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "pictures"))
