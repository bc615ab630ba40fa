#!/usr/bin/env python3
"""Draws the pictures of ZevFtp and gladwin and writes them as BMP and ICO files.

Every picture is pixel art kept in this file: one string per row, one character per pixel,
each character a colour of PALETTE below; "." is the picture's background (button face for the
toolbar strip, magenta for the folder, transparent for the icons). Edit the strings and run

    /usr/bin/python3 resources/make_pictures.py

to rewrite toolbar.bmp, folder.bmp, zevftp.ico, gladwin.ico and gladwin_cn.ico next to this
script. Standard library only; the output is the same byte for byte on every run.
"""

import os
import struct
import sys

# The 16 colours of the standard Windows palette, in its order, so the 4-bit files carry the
# same table as the system's own 16-colour bitmaps.
PALETTE = [
    ("K", (0, 0, 0)),  # black
    ("m", (128, 0, 0)),  # maroon
    ("g", (0, 128, 0)),  # dark green
    ("o", (128, 128, 0)),  # olive
    ("n", (0, 0, 128)),  # navy
    ("p", (128, 0, 128)),  # purple
    ("t", (0, 128, 128)),  # teal
    ("s", (192, 192, 192)),  # silver: the button face
    ("d", (128, 128, 128)),  # dark grey
    ("R", (255, 0, 0)),  # red
    ("G", (0, 255, 0)),  # lime
    ("Y", (255, 255, 0)),  # yellow
    ("B", (0, 0, 255)),  # blue
    ("M", (255, 0, 255)),  # magenta
    ("C", (0, 255, 255)),  # cyan
    ("W", (255, 255, 255)),  # white
]
INDEX = {ch: i for i, (ch, _) in enumerate(PALETTE)}

# The toolbar strip gets no mask of its own: the toolbar control masks the button face colour,
# so silver may appear only as background. It must stay exactly (192, 192, 192); it survives the
# program's conversion of the strip to a 5-6-5 DIB section unchanged.
TOOLBAR_BACKGROUND = "s"
# The panes load the folder with magenta as the transparent colour.
FOLDER_BACKGROUND = "M"

BLANK = ["................"] * 16

# The 19 images of "TOOLBARBMP", in command id order from 100: image k belongs to id 100 + k.
TOOLBAR = [
    ("Up one Level", [
        "................",
        "................",
        "................",
        ".KKKKK..........",
        "KWYYYYK.........",
        "KWYYYYYKKKKKKKK.",
        "KWWWWWWWWWWWWWKd",
        "KWYYYYKYYYYYYoKd",
        "KWYYYKKKYYYYYoKd",
        "KWYYKKKKKYYYYoKd",
        "KWYYYYKYYYYYYoKd",
        "KWYYYYKKKKKYYoKd",
        "KWYYYYYYYYYYYoKd",
        "KoooooooooooooKd",
        "KKKKKKKKKKKKKKKd",
        ".ddddddddddddddd",
    ]),
    ("Go to", [
        "................",
        "................",
        "................",
        ".......KKKK.....",
        "......KWYYYK....",
        "......KWYYYYKKKK",
        "....g.KWWWWWWWWK",
        "....ggKWYYYYYYoK",
        "ggggGGgWYYYYYYoK",
        "gGGGGGGgYYYYYYoK",
        "gGGGGGGGgYYYYYoK",
        "gGGGGGGgYYYYYYoK",
        "ggggGGgWYYYYYYoK",
        "....ggKooooooooK",
        "....g.KKKKKKKKKK",
        "................",
    ]),
    ("Refresh", [
        "........gg......",
        "........gGg.....",
        "......gggGGg....",
        "....ggGGGGGGg...",
        "...gGGgggGGg....",
        "..gGg...gGg.....",
        "..gGg...gg......",
        ".gGg............",
        ".gGg........ggg.",
        ".gGg........gGg.",
        ".gGg........gGg.",
        "..gGg......gGg..",
        "..gGGg....gGGg..",
        "...gGGggggGGg...",
        "....ggGGGGgg....",
        "......gggg......",
    ]),
    ("Connect", [
        "........gggg....",
        ".......gGGg.....",
        "......gGGg......",
        ".....gGGGGGg....",
        ".......gGGg.....",
        "......gGGg......",
        "......gg........",
        "....KKKKKKKKK...",
        "....KddKKWWdK...",
        "....KddKKWddK...",
        "KKKKKddKKWddKKKK",
        "KKKKKddKKWddKKKK",
        "....KddKKWddK...",
        "....KddKKWddK...",
        "....KKKKKKKKK...",
        "................",
    ]),
    ("Disconnect", [
        "................",
        ".....RR..RR.....",
        "......RRRR......",
        ".......RR.......",
        "......RRRR......",
        ".....RR..RR.....",
        "................",
        "..KKKK....KKKKK.",
        "..KddK....KWWdK.",
        "..KddK.KKKKWddK.",
        "KKKddK....KWddKK",
        "KKKddK....KWddKK",
        "..KddK.KKKKWddK.",
        "..KddK....KWddK.",
        "..KKKK....KKKKK.",
        "................",
    ]),
    ("Cancel", [
        "................",
        "....KKKKKKKK....",
        "...KRRRRRRRRK...",
        "..KRRRRRRRRRRK..",
        ".KRRWWRRRRWWRRK.",
        ".KRRWWWRRWWWRRK.",
        ".KRRRWWWWWWRRRK.",
        ".KRRRRWWWWRRRRK.",
        ".KRRRRWWWWRRRRK.",
        ".KRRRWWWWWWRRRK.",
        ".KRRWWWRRWWWRRK.",
        ".KRRWWRRRRWWRRK.",
        "..KRRRRRRRRRRK..",
        "...KRRRRRRRRK...",
        "....KKKKKKKK....",
        "................",
    ]),
    ("Quick Connect", [
        ".........KKKKK..",
        "........KYYYK...",
        ".......KYYYK....",
        "......KYYYK.....",
        ".....KYYYK......",
        "....KYYYKKKKK...",
        "...KYYYYYYYYK...",
        "..KKKKKKYYYK....",
        ".......KYYK.....",
        "......KYYK......",
        ".....KYYK.......",
        "....KYYK........",
        "...KYYK.........",
        "..KYK...........",
        "..KK............",
        "................",
    ]),
    ("Download to", [
        "................",
        "......nnnn......",
        "......nBBn......",
        "......nBBn......",
        "......nBBn......",
        "......nBBn......",
        "....nnnBBnnn....",
        ".KKKKnBBBBn.....",
        "KWYYYKnBBnKKKKK.",
        "KWWWWWWnnWWWWWKd",
        "KWYYYYYYYYYYYoKd",
        "KWYYYYYYYYYYYoKd",
        "KWYYYYYYYYYYYoKd",
        "KoooooooooooooKd",
        "KKKKKKKKKKKKKKKd",
        ".ddddddddddddddd",
    ]),
    ("DownLoad", [
        "......nnnn......",
        "......nBBn......",
        "......nBBn......",
        "......nBBn......",
        "......nBBn......",
        "...nnnnBBnnnn...",
        "....nBBBBBBn....",
        ".....nBBBBn.....",
        "......nBBn......",
        ".......nn.......",
        "................",
        ".KKKKKKKKKKKKKK.",
        ".KWWWWWWWWWWGdK.",
        ".KddddddddddddK.",
        ".KKKKKKKKKKKKKK.",
        "................",
    ]),
    ("Upload", [
        ".......nn.......",
        "......nBBn......",
        ".....nBBBBn.....",
        "....nBBBBBBn....",
        "...nnnnBBnnnn...",
        "......nBBn......",
        "......nBBn......",
        "......nBBn......",
        "......nBBn......",
        "......nnnn......",
        "................",
        ".KKKKKKKKKKKKKK.",
        ".KWWWWWWWWWWGdK.",
        ".KddddddddddddK.",
        ".KKKKKKKKKKKKKK.",
        "................",
    ]),
    ("Delete", [
        "................",
        ".RRm........mRR.",
        ".RRRm......mRRR.",
        ".mRRRm....mRRRm.",
        "..mRRRm..mRRRm..",
        "...mRRRmmRRRm...",
        "....mRRRRRRm....",
        ".....mRRRRm.....",
        ".....mRRRRm.....",
        "....mRRRRRRm....",
        "...mRRRmmRRRm...",
        "..mRRRm..mRRRm..",
        ".mRRRm....mRRRm.",
        ".RRRm......mRRR.",
        ".RRm........mRR.",
        "................",
    ]),
    ("Properties", [
        "................",
        ".KKKKKKKKKKKKK..",
        ".KnnnnnnnnnnnKd.",
        ".KnWWnnnnnnnnKd.",
        ".KnnnnnnnnnnnKd.",
        ".KWWWWWWWWWWWKd.",
        ".KWddWKKKKKKWKd.",
        ".KWWWWWWWWWWWKd.",
        ".KWddWKKKKKKWKd.",
        ".KWWWWWWWWWWWKd.",
        ".KWddWKKKKKKWKd.",
        ".KWWWWWWWWWWWKd.",
        ".KWKKWWWWWWWWKd.",
        ".KWWWWWWWWWWWKd.",
        ".KKKKKKKKKKKKKd.",
        "..dddddddddddddd",
    ]),
    ("", BLANK),
    ("", BLANK),
    ("", BLANK),
    ("", BLANK),
    ("Ascii mode", [
        "................",
        "................",
        ".......KK.......",
        "......KKKK......",
        "......KKKK......",
        ".....KK..KK.....",
        ".....KK..KK.....",
        "....KK....KK....",
        "....KK....KK....",
        "...KKKKKKKKKK...",
        "...KKKKKKKKKK...",
        "..KK........KK..",
        "..KK........KK..",
        ".KKKK......KKKK.",
        "................",
        "................",
    ]),
    ("Binary Mode", [
        "................",
        "................",
        "................",
        "..KKKK.....KK...",
        ".KK..KK...KKK...",
        ".KK..KK..KKKK...",
        ".KK..KK....KK...",
        ".KK..KK....KK...",
        ".KK..KK....KK...",
        ".KK..KK....KK...",
        ".KK..KK....KK...",
        ".KK..KK....KK...",
        "..KKKK...KKKKKK.",
        "................",
        "................",
        "................",
    ]),
    ("Show Log", [
        "................",
        "..KKKKKKKKK.....",
        "..KWWWWWWWKK....",
        "..KWWWWWWWKWK...",
        "..KWKKKKWWKKKK..",
        "..KWWWWWWWWWWKd.",
        "..KWKKKKKKKWWKd.",
        "..KWWWWWWWWWWKd.",
        "..KWKKKKKWWWWKd.",
        "..KWWWWWWWWWWKd.",
        "..KWKKKKKKKWWKd.",
        "..KWWWWWWWWWWKd.",
        "..KWKKKKWWWWWKd.",
        "..KWWWWWWWWWWKd.",
        "..KKKKKKKKKKKKd.",
        "...ddddddddddd..",
    ]),
]

# "FOLDERCLOSED": the folder picture of both file panes.
FOLDER = [
    "................",
    "................",
    "................",
    ".KKKKK..........",
    "KWYYYYK.........",
    "KWYYYYYKKKKKKKK.",
    "KWWWWWWWWWWWWWK.",
    "KWYYYYYYYYYYYoK.",
    "KWYYYYYYYYYYYoK.",
    "KWYYYYYYYYYYYoK.",
    "KWYYYYYYYYYYYoK.",
    "KWYYYYYYYYYYYoK.",
    "KWYYYYYYYYYYYoK.",
    "KoooooooooooooK.",
    "KKKKKKKKKKKKKKK.",
    "................",
]

# "MAINICON" of ZevFtp: a local folder and a remote globe, with the upload and download arrows.
ZEVFTP_ICON = {
    16: [
        "................",
        "........nnnnnn..",
        ".......nBGBBBBn.",
        "......nBGGGBBBBn",
        "......nBGGGBBBBn",
        "......nBBGBBBBBn",
        "......nBBBBGGGBn",
        "......nBBBGGGGGn",
        ".KKKK.nBBBBGGGBn",
        "KWYYYKKKKKBBBBn.",
        "KWWWWWWWWKnnnn..",
        "KWYYYYYYoK......",
        "KWYYYYYYoK......",
        "KWYYYYYYoK......",
        "KooooooooK......",
        "KKKKKKKKKK......",
    ],
    32: [
        "................................",
        ".....gg.........................",
        "....gGGg.........nnnnnnnn.......",
        "...gGGGGg......nnBBBBBBBBnn.....",
        "..gGGGGGGg....nnBGBBBBBBBBnn....",
        ".gGGGGGGGGg..nBGGGGGBBBBBBBBn...",
        ".ggggGGgggg.nnGGGGGGGBBBBGGGnn..",
        "....gGGg....nGGGGGGGGGBBGGGGGn..",
        "....gGGg...nBBGGGGGGGBBBBGGGBBn.",
        "....gGGg...nBGGGGGGGBBBBBBBBBBn.",
        "....gGGg...nBGGGGGBBBBBBBBBBBBn.",
        "....gGGg...nBGGGGGBBBBBBBBBBBBn.",
        "....gGGg...nBGGGGGBBBBGGGGGBBBn.",
        "....gGGg...nBGGGGGBBBGGGGGGGBBn.",
        "....gGGg...nBBGGGBBBBGGGGGGGBBn.",
        "....gGGg...nBBBGBBBBGGGGGGGGGBn.",
        "....gGGg....nBBBBBBBBGGGGGGGBn..",
        ".KKKKKKK....nnBBBBBBBGGGGGGGnn..",
        "KWYYYYYYK....nBBBBBBBBGGGGGBn...",
        "KWYYYYYYYKKKKKKKKKKBBBBBBBnn....",
        "KWWWWWWWWWWWWWWWWWKBBBBBnBBn....",
        "KWYYYYYYYYYYYYYYYoKnnnnnnBBn....",
        "KWYYYYYYYYYYYYYYYoK.....nBBn....",
        "KWYYYYYYYYYYYYYYYoK.....nBBn....",
        "KWYYYYYYYYYYYYYYYoK.....nBBn....",
        "KWYYYYYYYYYYYYYYYoK.....nBBn....",
        "KWYYYYYYYYYYYYYYYoK..nnnnBBnnnn.",
        "KWYYYYYYYYYYYYYYYoK..nBBBBBBBBn.",
        "KWYYYYYYYYYYYYYYYoK...nBBBBBBn..",
        "KooooooooooooooooK.....nBBBBn...",
        "KKKKKKKKKKKKKKKKKK......nBBn....",
        ".........................nn.....",
    ],
}

# "MAINICON" of gladwin: a speech bubble saying hello.
GLADWIN_ICON = {
    16: [
        "................",
        "...KKKKKKKKKK...",
        ".KKWWWWWWWWWWKK.",
        ".KWnnWWnnWWnnWK.",
        "KWWnnWWnnWWWWWWK",
        "KWWnnnnnnWWnnWWK",
        "KWWnnWWnnWWnnWWK",
        "KWWnnWWnnWWnnWWK",
        ".KWnnWWnnWWnnWK.",
        ".KKWWWWWWWWWWKK.",
        "..KKWWKKKKKKKK..",
        "...KWK..........",
        "..KWK...........",
        ".KK.............",
        "................",
        "................",
    ],
    32: [
        "................................",
        "................................",
        "......KKKKKKKKKKKKKKKKKKKK......",
        "....KKWWWWWWWWWWWWWWWWWWWWKK....",
        "...KWWWWWWWWWWWWWWWWWWWWWWWWK...",
        "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
        ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
        ".KWWWnnnWWWWnnnWWWnnnWWWnnnWWWK.",
        "KWWWWnnnWWWWnnnWWWnnnWWWnnnWWWWK",
        "KWWWWnnnWWWWnnnWWWWWWWWWnnnWWWWK",
        "KWWWWnnnWWWWnnnWWWWWWWWWnnnWWWWK",
        "KWWWWnnnWWWWnnnWWWnnnWWWnnnWWWWK",
        "KWWWWnnnnnnnnnnWWWnnnWWWnnnWWWWK",
        "KWWWWnnnnnnnnnnWWWnnnWWWnnnWWWWK",
        "KWWWWnnnWWWWnnnWWWnnnWWWnnnWWWWK",
        "KWWWWnnnWWWWnnnWWWnnnWWWWWWWWWWK",
        "KWWWWnnnWWWWnnnWWWnnnWWWWWWWWWWK",
        "KWWWWnnnWWWWnnnWWWnnnWWWnnnWWWWK",
        ".KWWWnnnWWWWnnnWWWnnnWWWnnnWWWK.",
        ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
        "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
        "...KWWWWWWWWWWWWWWWWWWWWWWWWK...",
        "....KKWWWWWWKKKKKKKKKKKKKKKK....",
        "......KWWWWK....................",
        "......KWWWK.....................",
        ".....KWWWK......................",
        ".....KWWK.......................",
        "....KWWK........................",
        "....KWK.........................",
        "...KKK..........................",
        "................................",
        "................................",
    ],
}

# "Icon1" of gladwin (Chinese, Simplified): the speech bubble carrying a red seal.
GLADWIN_CN_ICON = {
    16: [
        "................",
        "...KKKKKKKKKK...",
        ".KKWWWWWWWWWWKK.",
        ".KWWRRRRRRRRWWK.",
        "KWWWRWWWWWWRWWWK",
        "KWWWRWRRRRWRWWWK",
        "KWWWRWRRRRWRWWWK",
        "KWWWRWWWWWWRWWWK",
        ".KWWRRRRRRRRWWK.",
        ".KKWWWWWWWWWWKK.",
        "..KKWWKKKKKKKK..",
        "...KWK..........",
        "..KWK...........",
        ".KK.............",
        "................",
        "................",
    ],
    32: [
        "................................",
        "................................",
        "......KKKKKKKKKKKKKKKKKKKK......",
        "....KKWWWWWWWWWWWWWWWWWWWWKK....",
        "...KWWWWWWWWWWWWWWWWWWWWWWWWK...",
        "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
        ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
        ".KWWWWWWWKKKKKKKKKKKKKKWWWWWWWK.",
        "KWWWWWWWWKRRRRRRRRRRRRKWWWWWWWWK",
        "KWWWWWWWWKRWWWWWWWWWWRKWWWWWWWWK",
        "KWWWWWWWWKRWRRRRWRRRWRKWWWWWWWWK",
        "KWWWWWWWWKRWRWWRWRWRWRKWWWWWWWWK",
        "KWWWWWWWWKRWRRRRWRRRWRKWWWWWWWWK",
        "KWWWWWWWWKRWRRWRWRWRWRKWWWWWWWWK",
        "KWWWWWWWWKRWRWRRWRRRWRKWWWWWWWWK",
        "KWWWWWWWWKRWRRRRWRWRWRKWWWWWWWWK",
        "KWWWWWWWWKRWWWWWWWWWWRKWWWWWWWWK",
        "KWWWWWWWWKRRRRRRRRRRRRKWWWWWWWWK",
        ".KWWWWWWWKKKKKKKKKKKKKKWWWWWWWK.",
        ".KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.",
        "..KWWWWWWWWWWWWWWWWWWWWWWWWWWK..",
        "...KWWWWWWWWWWWWWWWWWWWWWWWWK...",
        "....KKWWWWWWKKKKKKKKKKKKKKKK....",
        "......KWWWWK....................",
        "......KWWWK.....................",
        ".....KWWWK......................",
        ".....KWWK.......................",
        "....KWWK........................",
        "....KWK.........................",
        "...KKK..........................",
        "................................",
        "................................",
    ],
}


class PictureError(Exception):
    pass


def to_indexes(name, rows, size, background, forbidden=""):
    """Turns art rows into palette indexes; None marks a transparent pixel (background None)."""
    if len(rows) != size:
        raise PictureError("%s: %d rows, expected %d" % (name, len(rows), size))
    out = []
    for y, row in enumerate(rows):
        if len(row) != size:
            raise PictureError("%s, row %d: %d pixels, expected %d" % (name, y, len(row), size))
        line = []
        for x, ch in enumerate(row):
            if ch == ".":
                line.append(None if background is None else INDEX[background])
            elif ch in forbidden:
                raise PictureError("%s, row %d, column %d: %r is this picture's background "
                                   "colour and would turn transparent" % (name, y, x, ch))
            elif ch in INDEX:
                line.append(INDEX[ch])
            else:
                raise PictureError("%s, row %d, column %d: unknown colour %r" % (name, y, x, ch))
        out.append(line)
    return out


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for _, (r, g, b) in PALETTE)


def row_size(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_4bit(line):
    """One row of 4-bit pixels, high nibble first, padded to a multiple of 4 bytes."""
    data = bytearray()
    for i in range(0, len(line), 2):
        hi = line[i] or 0
        lo = (line[i + 1] or 0) if i + 1 < len(line) else 0
        data.append(hi << 4 | lo)
    data.extend(b"\0" * (row_size(len(line), 4) - len(data)))
    return bytes(data)


def pack_mask(line):
    """One row of the AND mask: bit set = transparent, most significant bit first."""
    data = bytearray(row_size(len(line), 1))
    for x, px in enumerate(line):
        if px is None:
            data[x // 8] |= 0x80 >> (x % 8)
    return bytes(data)


def bmp_file(pixels):
    """A 4-bit BI_RGB bottom-up .bmp with the 16-colour table."""
    height, width = len(pixels), len(pixels[0])
    bits = b"".join(pack_4bit(line) for line in reversed(pixels))
    colours = palette_bytes()
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(bits), 2835, 2835,
                       len(PALETTE), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return header + info + colours + bits


def ico_file(images):
    """An .ico of 4-bit images with AND masks, smallest first."""
    blobs = []
    for pixels in images:
        size = len(pixels)
        xor = b"".join(pack_4bit(line) for line in reversed(pixels))
        mask = b"".join(pack_mask(line) for line in reversed(pixels))
        # An icon image's header counts the XOR and AND bitmaps together: twice the height.
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask),
                           0, 0, 0, 0)
        blobs.append((size, info + palette_bytes() + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for size, blob in blobs:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, len(PALETTE), 0, 1, 4, len(blob),
                           offset)
        offset += len(blob)
    return out + b"".join(blob for _, blob in blobs)


def toolbar_strip():
    if len(TOOLBAR) != 19:
        raise PictureError("the toolbar needs 19 images, found %d" % len(TOOLBAR))
    cells = [to_indexes("toolbar image %d (%s)" % (k, caption or "blank"), rows, 16,
                        TOOLBAR_BACKGROUND, forbidden=TOOLBAR_BACKGROUND)
             for k, (caption, rows) in enumerate(TOOLBAR)]
    return [sum((cell[y] for cell in cells), []) for y in range(16)]


def icon(name, sizes):
    return [to_indexes("%s %dx%d" % (name, s, s), sizes[s], s, None) for s in sorted(sizes)]


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    outputs = {
        "toolbar.bmp": bmp_file(toolbar_strip()),
        "folder.bmp": bmp_file(to_indexes("folder", FOLDER, 16, FOLDER_BACKGROUND,
                                          forbidden=FOLDER_BACKGROUND)),
        "zevftp.ico": ico_file(icon("ZevFtp icon", ZEVFTP_ICON)),
        "gladwin.ico": ico_file(icon("gladwin icon", GLADWIN_ICON)),
        "gladwin_cn.ico": ico_file(icon("gladwin Chinese icon", GLADWIN_CN_ICON)),
    }
    for name, data in outputs.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (name, len(data)))


if __name__ == "__main__":
    try:
        main()
    except PictureError as e:
        sys.exit("make_pictures: %s" % e)
