"""The heading stamped on top of every served page ("US5123456  PAGE 2 OF 3"),
so that one can see which document and which page arrived. Drawn in a small
built-in bitmap font, scaled to the page's width, and coded in the page's own
fax coding; every row below the heading keeps its coding.
"""

import re

from .fax import FaxError, g4_replace_top, mh_replace_top, row_changes
from .tiff import TiffError, replace_strip, strip_fields

# 5 x 7 glyphs, rows top to bottom, "#" black; a space is blank.
_GLYPHS = {
    "0": ".###.|#...#|#..##|#.#.#|##..#|#...#|.###.",
    "1": "..#..|.##..|..#..|..#..|..#..|..#..|.###.",
    "2": ".###.|#...#|....#|...#.|..#..|.#...|#####",
    "3": "#####|...#.|..#..|...#.|....#|#...#|.###.",
    "4": "...#.|..##.|.#.#.|#..#.|#####|...#.|...#.",
    "5": "#####|#....|####.|....#|....#|#...#|.###.",
    "6": "..##.|.#...|#....|####.|#...#|#...#|.###.",
    "7": "#####|....#|...#.|..#..|.#...|.#...|.#...",
    "8": ".###.|#...#|#...#|.###.|#...#|#...#|.###.",
    "9": ".###.|#...#|#...#|.####|....#|...#.|.##..",
    "A": ".###.|#...#|#...#|#####|#...#|#...#|#...#",
    "B": "####.|#...#|#...#|####.|#...#|#...#|####.",
    "C": ".###.|#...#|#....|#....|#....|#...#|.###.",
    "D": "####.|#...#|#...#|#...#|#...#|#...#|####.",
    "E": "#####|#....|#....|####.|#....|#....|#####",
    "F": "#####|#....|#....|####.|#....|#....|#....",
    "G": ".###.|#...#|#....|#.###|#...#|#...#|.####",
    "H": "#...#|#...#|#...#|#####|#...#|#...#|#...#",
    "I": ".###.|..#..|..#..|..#..|..#..|..#..|.###.",
    "J": "..###|...#.|...#.|...#.|...#.|#..#.|.##..",
    "K": "#...#|#..#.|#.#..|##...|#.#..|#..#.|#...#",
    "L": "#....|#....|#....|#....|#....|#....|#####",
    "M": "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#",
    "N": "#...#|#...#|##..#|#.#.#|#..##|#...#|#...#",
    "O": ".###.|#...#|#...#|#...#|#...#|#...#|.###.",
    "P": "####.|#...#|#...#|####.|#....|#....|#....",
    "Q": ".###.|#...#|#...#|#...#|#.#.#|#..#.|.##.#",
    "R": "####.|#...#|#...#|####.|#.#..|#..#.|#...#",
    "S": ".####|#....|#....|.###.|....#|....#|####.",
    "T": "#####|..#..|..#..|..#..|..#..|..#..|..#..",
    "U": "#...#|#...#|#...#|#...#|#...#|#...#|.###.",
    "V": "#...#|#...#|#...#|#...#|#...#|.#.#.|..#..",
    "W": "#...#|#...#|#...#|#.#.#|#.#.#|#.#.#|.#.#.",
    "X": "#...#|#...#|.#.#.|..#..|.#.#.|#...#|#...#",
    "Y": "#...#|#...#|.#.#.|..#..|..#..|..#..|..#..",
    "Z": "#####|....#|...#.|..#..|.#...|#....|#####",
    "/": "....#|....#|...#.|..#..|.#...|#....|#....",
}
GLYPH_H = 7


def label(country, number):
    """The heading's form of a document number: country code and number,
    without the leading zeros of its serial part (US, D0365123 -> USD365123)."""
    m = re.match(r"([A-Z]*)0*(\d.*)$", number.upper().replace("/", ""))
    return country + (m.group(1) + m.group(2) if m else number)


def text(country, number, page, count):
    return "%s  PAGE %d OF %d" % (label(country, number), page, count)


def _scale(width):
    return max(1, width // 400)


def band(width, line):
    """The heading's rows (as changing positions): a white margin, the text, a white margin."""
    s = _scale(width)
    line = "".join(c if c in _GLYPHS else " " for c in line.upper())
    # Glyphs 5 pixels wide plus one of spacing, after a left margin of 4.
    line = line[:max(0, (width - 4 * s) // (6 * s))]
    rows = [[] for _ in range(2 * s)]
    for y in range(GLYPH_H):
        pixels = bytearray(width)
        for i, c in enumerate(line):
            glyph = _GLYPHS[c].split("|")[y] if c != " " else ""
            for x, dot in enumerate(glyph):
                if dot == "#":
                    left = 4 * s + (6 * i + x) * s
                    pixels[left:left + s] = b"\x01" * s
        rows += [row_changes(bytes(pixels))] * s
    return rows + [[] for _ in range(2 * s)]


def stamp_strip(strip, width, height, compression, t4options, line):
    """The strip of a one-strip CCITT page (compression 3 or 4) with the heading on top."""
    rows = band(width, line)
    if len(rows) >= height:
        return strip
    if compression == 4:
        return g4_replace_top(strip, width, rows)
    if compression == 3 and not t4options & 1:
        return mh_replace_top(strip, width, rows, bool(t4options & 4))
    return strip


def stamp_page(data, line):
    """The little-endian one-strip TIFF page with the heading `line` on top."""
    width, height, compression, t4options, strip = strip_fields(data)
    try:
        return replace_strip(data, stamp_strip(strip, width, height, compression, t4options, line))
    except (FaxError, TiffError):
        # A page the coder cannot follow is served as it is.
        return data
