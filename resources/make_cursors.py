#!/usr/bin/python3
"""Draws the page cursors (32 x 32 PNG with transparency) into resources/cursors/.

Each cursor is black ink with a white rim so that it shows on any page colour. The hot spot of
each cursor is listed in HOT_SPOTS below and in the program's cursor table; keep both the same.
Run: python3 make_cursors.py <output folder>.
"""
import os
import sys

from PIL import Image, ImageDraw

INK = (0, 0, 0, 255)
RIM = (255, 255, 255, 255)
FILL = (255, 255, 255, 255)
BLUE = (0, 70, 170, 255)
RED = (200, 30, 30, 255)

# name: (x, y) of the hot spot
HOT_SPOTS = {
    "SELECTCSRLFT": (1, 1),
    "DRAWCSR": (2, 29),
    "RTMOUSE": (1, 1),
    "MOVE3": (15, 15),
    "POUR": (27, 28),
    "UNPOUR": (27, 28),
    "ISPIC": (1, 1),
    "SELECT2": (15, 15),
    "SELECT6": (15, 15),
    "LRMOUSE": (1, 1),
    "MOVE2": (15, 15),
    "GRABIT": (15, 15),
    "PICKCLR": (2, 29),
}


def rimmed(draw_fn, size=32):
    """Draws the figure twice: thick in white for the rim, then thin in black."""
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    draw_fn(d, RIM, 3)
    draw_fn(d, INK, 1)
    return img, d


def arrow(d, colour, w):
    pts = [(1, 1), (1, 17), (5, 13), (8, 20), (10, 19), (7, 12), (12, 12)]
    if w > 1:
        d.polygon(pts, fill=RIM, outline=RIM)
        d.line(pts + [pts[0]], fill=RIM, width=w)
    else:
        d.polygon(pts, fill=FILL, outline=INK)


def four_way(d, colour, w, cx=15, cy=15, r=12):
    d.line([(cx - r, cy), (cx + r, cy)], fill=colour, width=w)
    d.line([(cx, cy - r), (cx, cy + r)], fill=colour, width=w)
    for (x, y, dx, dy) in [(cx - r, cy, 1, 0), (cx + r, cy, -1, 0), (cx, cy - r, 0, 1), (cx, cy + r, 0, -1)]:
        head = [(x, y), (x + 4 * dx + 3 * dy, y + 4 * dy + 3 * dx), (x + 4 * dx - 3 * dy, y + 4 * dy - 3 * dx)]
        d.polygon(head, fill=colour, outline=colour)
        if w > 1:
            d.line(head + [head[0]], fill=colour, width=w)


def cross(d, colour, w, cx=15, cy=15, r=10, gap=3):
    d.line([(cx - r, cy), (cx - gap, cy)], fill=colour, width=w)
    d.line([(cx + gap, cy), (cx + r, cy)], fill=colour, width=w)
    d.line([(cx, cy - r), (cx, cy - gap)], fill=colour, width=w)
    d.line([(cx, cy + gap), (cx, cy + r)], fill=colour, width=w)


def mouse(d, colour, w, left, right):
    body = [18, 14, 29, 30]
    d.rounded_rectangle(body, radius=4, fill=FILL if w == 1 else RIM, outline=colour, width=w)
    if w == 1:
        d.line([(18, 20), (29, 20)], fill=INK)
        d.line([(23, 14), (23, 20)], fill=INK)
        if left:
            d.rectangle([19, 15, 22, 19], fill=BLUE)
        if right:
            d.rectangle([24, 15, 28, 19], fill=BLUE)


def bucket(d, colour, w):
    d.polygon([(6, 12), (16, 4), (26, 14), (16, 24)], fill=FILL if w == 1 else RIM, outline=colour)
    if w > 1:
        d.line([(6, 12), (16, 4), (26, 14), (16, 24), (6, 12)], fill=colour, width=w)
    d.line([(27, 16), (27, 26)], fill=colour, width=max(w, 2))


def draw(name):
    img = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    if name == "SELECTCSRLFT":
        arrow(d, RIM, 3)
        arrow(d, INK, 1)
        for x in range(16, 31, 3):
            d.point([(x, 22), (x, 30)], fill=INK)
        for y in range(22, 31, 3):
            d.point([(16, y), (30, y)], fill=INK)
    elif name == "DRAWCSR":
        for colour, w in ((RIM, 4), (INK, 2)):
            d.line([(3, 28), (26, 5)], fill=colour, width=w + 2)
        d.line([(5, 26), (25, 6)], fill=(230, 190, 40, 255), width=2)
        d.point([(2, 29)], fill=INK)
    elif name in ("RTMOUSE", "LRMOUSE"):
        arrow(d, RIM, 3)
        arrow(d, INK, 1)
        mouse(d, RIM, 3, False, False)
        mouse(d, INK, 1, name == "LRMOUSE", True)
    elif name == "MOVE3":
        four_way(d, RIM, 4)
        four_way(d, INK, 1)
    elif name == "MOVE2":
        four_way(d, RIM, 4)
        four_way(d, INK, 1)
        d.rectangle([12, 12, 18, 18], fill=FILL, outline=INK)
    elif name in ("POUR", "UNPOUR"):
        bucket(d, RIM, 3)
        bucket(d, INK, 1)
        d.ellipse([25, 26, 29, 30], fill=BLUE if name == "POUR" else FILL, outline=INK)
        if name == "UNPOUR":
            d.line([(2, 2), (10, 10)], fill=RED, width=2)
            d.line([(10, 2), (2, 10)], fill=RED, width=2)
    elif name == "ISPIC":
        arrow(d, RIM, 3)
        arrow(d, INK, 1)
        d.rectangle([15, 19, 30, 30], fill=FILL, outline=INK)
        d.polygon([(16, 29), (21, 23), (25, 27), (29, 22), (29, 29)], fill=BLUE)
    elif name == "SELECT2":
        cross(d, RIM, 3)
        cross(d, INK, 1)
        d.rectangle([13, 13, 17, 17], outline=INK)
    elif name == "SELECT6":
        cross(d, RIM, 3)
        cross(d, INK, 1)
        d.ellipse([11, 11, 19, 19], outline=INK)
    elif name == "GRABIT":
        for colour, grow in ((RIM, 1), (INK, 0)):
            for i, x in enumerate((8, 12, 16, 20)):
                top = 6 if i in (1, 2) else 8
                d.rounded_rectangle([x - grow, top - grow, x + 3 + grow, 18 + grow], radius=1,
                                    fill=FILL if grow == 0 else RIM, outline=colour)
            d.rounded_rectangle([7 - grow, 14 - grow, 24 + grow, 26 + grow], radius=4,
                                fill=FILL if grow == 0 else RIM, outline=colour)
    elif name == "PICKCLR":
        for colour, w in ((RIM, 5), (INK, 3)):
            d.line([(3, 28), (20, 11)], fill=colour, width=w)
            d.ellipse([19, 4, 28, 13], fill=colour)
        d.line([(5, 26), (18, 13)], fill=FILL, width=1)
        d.point([(2, 29)], fill=INK)
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "cursors")
    os.makedirs(out, exist_ok=True)
    for name in HOT_SPOTS:
        draw(name).save(os.path.join(out, name + ".png"))


if __name__ == "__main__":
    main()
