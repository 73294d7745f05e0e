#!/usr/bin/env python3
"""Writes the program's help pages: help/index.html (the contents) and help/<n>.html for each help
context the program's windows and messages use. Run: python3 make_help.py <output folder>.
"""
import html
import os
import sys

# context: (title, paragraphs)
PAGES = {
    10: ("About Korvalis V",
         ["Korvalis V is an editor for one page of typeset equations and technical line drawings. Text and "
          "mathematical symbols go into the character cells of the page, shapes are drawn over it and pictures "
          "are placed on it.",
          "Help, About shows the program's version, the licence and the memory of the computer. Print prints that text."]),
    20: ("The main window",
         ["The tool bar holds the file, clipboard and style buttons, the four tool buttons (Text, Select, Draw, "
          "Move) and the drawing buttons. The palettes beside the page insert symbols at the caret. The status bar "
          "shows the font size and offset, the position of the caret or the pointer, Ins or Ovr, and the tool.",
          "Each menu sets the state of its commands when it opens: commands that cannot work now are greyed."]),
    35: ("Saving the page as a graphic",
         ["File, Save As Graphic writes the whole page, and Save Selection As Graphic the area inside the selection "
          "rectangle, as a bitmap (full colour, 16 or 256 colours, web palette, 256 greys), a GIF, a JPEG, a PNG or a "
          "metafile."]),
    45: ("Applying changes",
         ["A dialog whose values were changed but not applied asks before it closes. Yes applies the values, No "
          "closes the dialog and leaves everything as it was."]),
    70: ("Page settings",
         ["The page settings set the paper, its orientation, the four margins and whether lengths are shown in "
          "centimetres or inches. The text of the page is laid out again when they change."]),
    90: ("Printing the page",
         ["File, Print prints the page at its true size: the pictures, the image objects, the shapes and the text. "
          "When a picture cannot be printed you are told which one and may cancel, go on or ignore further "
          "problems."]),
    100: ("Permissions",
          ["The permissions lock the dimensioning options behind a password. Enter the password twice to set it; "
           "the change takes effect the next time the program starts."]),
    130: ("Custom palette buttons",
          ["A custom palette button holds a character or a short text in a font of its own. Right click a button to "
           "define it."]),
    260: ("Pictures of the page",
          ["Pictures are files shown on the page at a fixed place. The document keeps their file names: keep the "
           "pictures with the document when you move it."]),
    270: ("Angled text",
          ["The angled text dialog writes a line of text at an angle as a shape, in the font you choose."]),
    280: ("Moving large brackets",
          ["Large brackets and roots are made of several characters. Select all of their characters before you move "
           "them up or down, or their parts will come apart."]),
    290: ("Loading pictures",
          ["Load Picture places a bitmap, JPEG, PNG, GIF or metafile on the page. When a picture of a document is "
           "missing you are asked to find it or replace it."]),
    295: ("The image files window",
          ["The image files window lists the pictures in the folder \"Macro Images\". Drag a file onto the page to "
           "place it as an image object."]),
    297: ("Loading as an image object",
          ["A picture that is not a metafile can be loaded as an image object: a picture you can move, size and "
           "save on its own."]),
    299: ("Transforms and arrays",
          ["The transforms window scales, mirrors and rotates the selected shapes, and makes rectangular and polar "
           "arrays of copies of them."]),
    310: ("Files",
          ["Documents (.zqv) hold the text, shapes and pictures of a page. Before a file is overwritten you are "
           "asked; a copy of an opened document is kept with the extension .Bak."]),
    315: ("The selection menu",
          ["A right click inside the selection rectangle opens its menu: copy the area, save it as a graphic, load "
           "a picture into it or make it an image object."]),
    320: ("JPEG quality",
          ["The JPEG quality (5 to 100) is used whenever the program writes a JPEG file. Higher values keep more "
           "detail and make larger files."]),
    325: ("Polygons and line divisions",
          ["Set the number of sides of the next polygon, or the number of divisions of a divided line."]),
    327: ("Image objects",
          ["An image object is a picture on the page that can be selected, moved and resized with the mouse."]),
    330: ("Line prefixes",
          ["Bullets and tabs at the start of the selected lines can be removed in one step."]),
    345: ("The Tools menu",
          ["Image Editor starts the image editor when it is installed beside the program. Flumbric starts the "
           "unit-conversion tool installed in the folder Flumbric. Clear custom colors empties the custom colours "
           "of every colour dialog."]),
    350: ("The main font",
          ["The main font is the font of new text. The dialog also sets the size and offset of superscripts and "
           "subscripts and the line spacing, and can rescale the scripts already on the page."]),
    375: ("Shortcuts",
          ["Ctrl+C or Ctrl+Insert copies, Ctrl+X or Shift+Delete cuts, and Ctrl+V or Shift+Insert pastes "
           "(the Edit menu's Copy, Cut and Paste). Ctrl+Z switches the zoom between 100 % and the last zoom "
           "level chosen; to undo, use the Undo button of the toolbar or the Undo menu. Ctrl+E takes the "
           "selection tool, Ctrl+L switches snapping on or off and Ctrl+G pastes a picture at the caret. "
           "Insert switches between inserting and overwriting. Escape stops a long drawing operation. The "
           "arrow keys move the caret, or nudge the selection rectangle."]),
    390: ("Fonts the program needs",
          ["The program needs its two symbol fonts, ZQVSerif and ZQVRelMath, and a Symbol font. The two symbol "
           "fonts are in the folder fonts beside the program."]),
    480: ("Paste special",
          ["Paste Special lists the clipboard formats the page can take and pastes the one you choose."]),
    699: ("Defining a palette button",
          ["Enter the character or its code, choose the font and press OK. The button shows and inserts that "
           "character from then on."]),
    740: ("Custom palette sets",
          ["The Custom Sets menu switches between seven sets of 42 palette buttons. Changed buttons are saved with "
           "their set."]),
    776: ("Fonts of a palette set",
          ["One font can be given to every button of a set at once."]),
    785: ("Pen and brush",
          ["The pen and brush window sets the line colour, width and style and the fill colour and pattern of the "
           "next shape, or of the selected shapes."]),
    787: ("Dimension settings",
          ["The dimension settings set how measurements of shapes are written: units, suffix, multiplier, number "
           "format and font."]),
    825: ("Long operations",
          ["Operations on many shapes can take some time. You are asked before a long one starts, and Escape stops "
           "it."]),
    875: ("Convert to image object",
          ["The area inside the selection rectangle becomes an image object: a picture you can move and size."]),
    890: ("Waves",
          ["The wave dialog sets the type, amplitude, wave length and phase of wave shapes, and keeps presets."]),
    960: ("Flumbric",
          ["Flumbric is a separate unit-conversion tool. Its menu item is shown when the tool is installed in the "
           "folder Flumbric beside the program."]),
    980: ("Node settings",
          ["Every shape has the same number of nodes, from 16 to 103. More nodes allow longer polylines."]),
    986: ("Pasting shapes",
          ["Shapes copied from this program can be pasted onto the page. Shapes in inches and in centimetres are "
           "separate clipboard formats."]),
    1030: ("Getting started",
           ["Type on the page with the Text tool. Use the palettes for symbols and the script buttons for "
            "superscripts and subscripts. Draw shapes with the Draw tool, select them with the Select tool and move "
            "them with the Move tool. Save the page as a document, print it, or copy it to other programs."]),
    1120: ("Node count",
           ["A shape cannot have more nodes than the node count. Raise it with Settings, Application, Set Node "
            "Count."]),
    1130: ("Symbol fonts",
           ["The program treats the fonts listed in the file MnSymFt.dat as symbol fonts. When the file is missing "
            "the built-in list can be loaded and saved."]),
    1140: ("Custom colours",
           ["The custom colours of the colour dialogs are kept in the file ZQVCustomClrs.Dat; a backup is made "
            "before it is written."]),
    1200: ("Tips",
           ["Each tip can have a help page of its own. More Help opens it."]),
    1350: ("Application defaults",
           ["When the program closes it can save the present settings as the defaults for the next start."]),
    1450: ("Tip of the day",
           ["The tips window shows one tip at a time. Previous and Next step through the tips, Jump goes to a tip "
            "by its number and the search box finds the next tip that contains a word (Enter or F3 searches "
            "again). Tick \"Don't show tips at start up?\" to stop the tips opening at start; Help, Show tips opens "
            "them again."]),
}

STYLE = ("body{font-family:sans-serif;max-width:40em;margin:2em auto;line-height:1.45;color:#222}"
         "h1{color:#800000;font-size:1.5em}a{color:#0046aa}")


def page(title, body):
    return ("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>%s - Korvalis V help</title>"
            "<style>%s</style></head>\n<body>\n<h1>%s</h1>\n%s\n<p><a href=\"index.html\">Contents</a></p>\n"
            "</body></html>\n" % (html.escape(title), STYLE, html.escape(title), body))


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for ctx, (title, paragraphs) in PAGES.items():
        body = "\n".join("<p>%s</p>" % html.escape(p) for p in paragraphs)
        with open(os.path.join(folder, "%d.html" % ctx), "w", encoding="utf-8") as f:
            f.write(page(title, body))
    items = "\n".join("<li><a href=\"%d.html\">%s</a></li>" % (ctx, html.escape(t))
                      for ctx, (t, _) in sorted(PAGES.items(), key=lambda kv: kv[1][0]))
    with open(os.path.join(folder, "index.html"), "w", encoding="utf-8") as f:
        f.write(page("Contents", "<ul>\n%s\n</ul>" % items))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "help"))
