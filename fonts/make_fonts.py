#!/usr/bin/env python3
"""Builds the program's two special fonts from DejaVu glyphs.

    make_fonts.py OUTPUT_DIR [DEJAVU_DIR]

writes OUTPUT_DIR/ZQVSerif.TTF (family "ZQVSerif") and OUTPUT_DIR/RelMath.TTF (family
"ZQVRelMath").

Both fonts are byte fonts: the page stores one byte per character cell and these two fonts draw
the byte's own glyph. Every byte b is therefore reachable through three character codes: U+00bb
(the byte taken as Latin-1), U+F0bb (the private-use range that symbol fonts use) and the
Windows-1252 character of b, so that whichever way the text layer turns a byte into a character
the same glyph is drawn.

ZQVSerif
--------
A serif text font (DejaVu Serif) whose printable Windows-1252 characters are the usual ones, with
these codes given over to the page's special glyphs:

    code  glyph                       use on the page
    127   large left parenthesis  (   large-bracket palette (drawn at 2.75 x the text size)
    128   large right parenthesis )   large-bracket palette
    136   nothing, zero advance       the micro space: a one-pixel cell that draws nothing
    141   large left bracket      [   large-bracket palette
    142   large right bracket     ]   large-bracket palette
    143   large left brace        {   large-bracket palette
    144   large right brace       }   large-bracket palette
    157   large vertical bar      |   large-bracket palette (absolute value, determinant)
    158   large radical sign      U+221A  large-root palette (drawn at 3.33 x the text size)
    160   prime                   U+2032  custom palette, set "Various"
    161   double prime            U+2033  custom palette, set "Various"
    162   triple prime            U+2034  custom palette, set "Various"
    167   over-brace (horizontal {, tip up)    horizontal-bracket palette (CustBut29)
    168   nothing, zero advance       a marker cell that the page never draws
    178   partial derivative      U+2202  custom palette, set "Various"
    182   under-brace (horizontal {, tip down) horizontal-bracket palette (CustBut30)
    185   tab mark                U+21E5  the tab cell: Tab inserts it, plain-text export turns it
                                          into a tab character
    209   nabla                   U+2207  custom palette, set "Various"
    215   dot operator            U+22C5  custom palette, set "Various"
    216   therefore (three dots)  U+2234 (drawn from three periods)  custom palette, set "Various"

ZQVRelMath
----------
Relational symbols, arrows and operators (DejaVu Sans). Code 32 is a space; codes 33 to 126 and
151 to 154 carry the glyphs of RELMATH_TABLE below (arrows at 40 to 63, 90 and 151 to 154, the
palette set "Arrows"; relations and set operators elsewhere, the palette set "Relational
Symbols"). Every other code draws nothing.
"""
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

# ZQVSerif: code -> (source character, transform) for the codes that differ from Windows-1252.
# Transform "none" copies the glyph, "empty" makes a glyph without outline and without advance,
# "brace_up" / "brace_down" turn a brace on its side, "three_dots" sets three periods as a
# triangle.
SERIF_SPECIALS = {
    127: ("(", "none"),       # large left parenthesis
    128: (")", "none"),       # large right parenthesis
    136: (None, "empty"),     # micro space
    141: ("[", "none"),       # large left bracket
    142: ("]", "none"),       # large right bracket
    143: ("{", "none"),       # large left brace
    144: ("}", "none"),       # large right brace
    157: ("|", "none"),       # large vertical bar
    158: ("\u221a", "none"),  # large radical sign
    160: ("\u2032", "none"),  # prime
    161: ("\u2033", "none"),  # double prime
    162: ("\u2034", "none"),  # triple prime
    167: ("{", "brace_up"),   # over-brace
    168: (None, "empty"),     # marker, never drawn
    178: ("\u2202", "none"),  # partial derivative
    182: ("{", "brace_down"), # under-brace
    185: ("\u21e5", "none"),  # tab mark
    209: ("\u2207", "none"),  # nabla
    215: ("\u22c5", "none"),  # dot operator
    216: (".", "three_dots"), # therefore
}

# ZQVRelMath: the characters of codes 33, 34, ... 126 in order, then codes 151 to 154.
RELMATH_TABLE = (
    # 33-39: relations
    "\u2264\u2265\u2260\u2248\u2261\u221d\u223c"   # <= >= != approx equiv propto sim
    # 40-63: arrows
    "\u2190\u2192\u2191\u2193\u2194\u2195"         # 40-45  left right up down left-right up-down
    "\u21d0\u21d2\u21d1\u21d3\u21d4\u21d5"         # 46-51  double arrows
    "\u2196\u2197\u2198\u2199\u21a6\u21a9\u21aa"   # 52-58  diagonals, maps-to, hooked
    "\u21cc\u21c4\u27f6\u27f5\u27f7"               # 59-63  equilibrium, exchange, long arrows
    # 64-89: relations and set operators
    "\u226a\u226b\u2272\u2273\u2243\u2245\u2250\u225c"  # 64-71  << >> <~ >~ ~- ~= doteq def
    "\u2208\u2209\u220b\u2282\u2283\u2286\u2287\u2284\u2285"  # 72-80 element, subset
    "\u222a\u2229\u2227\u2228\u22a5\u2225\u2226\u22a2\u22a8"  # 81-89 cup cap and or perp
    # 90: arrow
    "\u21af"                                        # 90 lightning arrow (contradiction)
    # 91-126: more relations and operators
    "\u227a\u227b\u227c\u227d\u228f\u2290\u2291\u2292"  # 91-98   precedes, square subset
    "\u22b2\u22b3\u22b4\u22b5\u224d\u224e\u224f\u2251"  # 99-106  normal subgroup, equivalents
    "\u2252\u2253\u2254\u2255\u2256\u2257\u2258\u2259"  # 107-114
    "\u225a\u225b\u225d\u225e\u225f\u22d8\u22d9\u22da"  # 115-122
    "\u22db\u2213\u00b1\u2234"                          # 123-126 <=> -+ +- therefore
)
RELMATH_HIGH = {151: "\u21c7", 152: "\u21c9", 153: "\u21c6", 154: "\u21cb"}  # paired arrows

UNITS = 2048


def cp1252_char(code):
    try:
        return bytes([code]).decode("cp1252")
    except UnicodeDecodeError:
        return None


def draw_glyph(glyph_set, cmap, ch, transform):
    """Returns (glyph, advance) drawn from the source font's glyph of ch with a transform."""
    pen = TTGlyphPen(None)
    if transform == "empty":
        return pen.glyph(), 0
    name = cmap.get(ord(ch))
    if name is None:
        raise SystemExit(f"source font lacks U+{ord(ch):04X}")
    advance = glyph_set[name].width
    src = DecomposingRecordingPen(glyph_set)  # components become plain outlines
    glyph_set[name].draw(src)
    src.draw = src.replay
    if transform == "none":
        src.draw(pen)
        return pen.glyph(), advance
    if transform in ("brace_up", "brace_down"):
        bounds_pen = BoundsPen(glyph_set)
        src.draw(bounds_pen)
        x0, y0, x1, y1 = bounds_pen.bounds
        width = (y1 - y0) + 2 * 60
        # Turn the brace a quarter turn: clockwise for the over-brace (its tip points up; it
        # stands above the x-height), counter-clockwise for the under-brace (tip down, hanging
        # below the baseline).
        if transform == "brace_up":
            matrix = (0, -1, 1, 0, -y0 + 60, x1 + 700)
        else:
            matrix = (0, 1, -1, 0, y1 + 60, -x0 - 300)
        src.draw(TransformPen(pen, matrix))
        return pen.glyph(), width
    if transform == "three_dots":
        bounds_pen = BoundsPen(glyph_set)
        src.draw(bounds_pen)
        x0, y0, x1, y1 = bounds_pen.bounds
        dot = x1 - x0
        step = dot + 120
        for dx, dy in ((0, 0), (2 * step, 0), (step, int(step * 1.6))):
            src.draw(TransformPen(pen, (1, 0, 0, 1, dx + 80 - x0, dy)))
        return pen.glyph(), 3 * step + 160
    raise SystemExit("unknown transform " + transform)


def build(out_path, family, source_path, code_glyphs):
    """code_glyphs: code -> (char or None, transform)."""
    src = TTFont(source_path)
    glyph_set = src.getGlyphSet()
    src_cmap = src.getBestCmap()
    assert src["head"].unitsPerEm == UNITS

    order = [".notdef"]
    glyphs = {}
    metrics = {}
    empty = TTGlyphPen(None)
    glyphs[".notdef"] = empty.glyph()
    metrics[".notdef"] = (UNITS // 2, 0)
    cmap = {}
    for code in sorted(code_glyphs):
        ch, transform = code_glyphs[code]
        name = f"c{code:03d}"
        glyph, advance = draw_glyph(glyph_set, src_cmap, ch, transform)
        order.append(name)
        glyphs[name] = glyph
        metrics[name] = (advance, 0)
        for uni in (code, 0xF000 + code):
            cmap[uni] = name
        alt = cp1252_char(code)
        if alt is not None and ord(alt) not in cmap:
            cmap[ord(alt)] = name

    fb = FontBuilder(UNITS, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    glyf = fb.font["glyf"]
    fixed = {}
    for name in order:
        g = glyf[name]
        g.recalcBounds(glyf)
        fixed[name] = (metrics[name][0], getattr(g, "xMin", 0))
    fb.setupHorizontalMetrics(fixed)
    hhea = src["hhea"]
    fb.setupHorizontalHeader(ascent=hhea.ascent, descent=hhea.descent)
    fb.setupNameTable({
        "familyName": family,
        "styleName": "Regular",
        "uniqueFontIdentifier": family + " Regular",
        "fullName": family,
        "psName": family + "-Regular",
        "version": "Version 5.0",
        "copyright": "Glyphs from DejaVu fonts (Bitstream Vera licence); arrangement by the Korvalis V project",
    })
    os2 = src["OS/2"]
    fb.setupOS2(sTypoAscender=os2.sTypoAscender, sTypoDescender=os2.sTypoDescender,
                sTypoLineGap=os2.sTypoLineGap, usWinAscent=os2.usWinAscent,
                usWinDescent=os2.usWinDescent, sxHeight=getattr(os2, "sxHeight", 1100),
                sCapHeight=getattr(os2, "sCapHeight", 1500), ulCodePageRange1=1,
                achVendID="KORV")
    fb.setupPost()
    fb.font.save(out_path)


def serif_table():
    table = {}
    for code in range(32, 256):
        if code in SERIF_SPECIALS:
            table[code] = SERIF_SPECIALS[code]
            continue
        ch = cp1252_char(code)
        if ch is None or code == 127:
            continue
        table[code] = (ch, "none")
    return table


def relmath_table():
    assert len(RELMATH_TABLE) == 126 - 33 + 1, len(RELMATH_TABLE)
    table = {32: (" ", "none")}
    for i, ch in enumerate(RELMATH_TABLE):
        table[33 + i] = (ch, "none")
    for code, ch in RELMATH_HIGH.items():
        table[code] = (ch, "none")
    return table


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    out_dir = sys.argv[1]
    dejavu = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/fonts/truetype/dejavu"
    os.makedirs(out_dir, exist_ok=True)
    build(os.path.join(out_dir, "ZQVSerif.TTF"), "ZQVSerif",
          os.path.join(dejavu, "DejaVuSerif.ttf"), serif_table())
    build(os.path.join(out_dir, "RelMath.TTF"), "ZQVRelMath",
          os.path.join(dejavu, "DejaVuSans.ttf"), relmath_table())


if __name__ == "__main__":
    main()
