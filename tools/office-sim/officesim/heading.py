"""The heading stamped on top of every served page ("US5123456  PAGE 2 OF 3"),
so that one can see which document and which page arrived. Drawn in a small
built-in stroke font, scaled to the page's width, and coded in the page's own
fax coding; every row below the heading keeps its coding.
"""

import functools
import math
import re

from .fax import FaxError, g4_replace_top, mh_replace_top, row_changes
from .tiff import TiffError, replace_strip, strip_fields

# A stroke font: each glyph is a few pen strokes on a grid 4 units wide and
# 6 high (y downwards), drawn with a round pen like a plotter's lettering.
# Clear, evenly weighted shapes that OCR reads, unlike a scaled-up bitmap
# font whose square dots make 0 read as 8 and S as 5.
def _arc(cx, cy, rx, ry, start, stop, steps=12):
    """Points of an elliptic arc; angles in degrees, 0 to the right, 90 up."""
    return [(cx + rx * math.cos(math.radians(a)), cy - ry * math.sin(math.radians(a)))
            for a in (start + (stop - start) * k / steps for k in range(steps + 1))]


_STROKES = {
    "0": [_arc(2, 3, 1.7, 3, 0, 360, 24)],
    "1": [[(0.9, 1.2), (2.3, 0), (2.3, 6)]],
    "2": [_arc(2, 1.7, 1.9, 1.7, 160, -35) + [(0, 6), (4, 6)]],
    "3": [_arc(2, 1.5, 1.8, 1.5, 150, -90), _arc(2, 4.5, 2, 1.5, 90, -150)],
    "4": [[(3, 6), (3, 0), (0, 4.2), (4, 4.2)]],
    "5": [[(3.8, 0), (0.5, 0), (0.2, 2.8)] + _arc(2, 4.1, 2, 1.9, 140, -150)],
    "6": [[(3.6, 0.4), (2.2, 0), (0.8, 0.7), (0.1, 2.5), (0, 4.2)], _arc(2, 4.2, 2, 1.8, 0, 360, 24)],
    "7": [[(0, 0), (4, 0), (1.5, 6)]],
    "8": [_arc(2, 1.5, 1.7, 1.5, 0, 360, 20), _arc(2, 4.4, 2, 1.6, 0, 360, 20)],
    "9": [_arc(2, 1.8, 2, 1.8, 0, 360, 24), [(4, 1.8), (3.9, 3.8), (3.2, 5.4), (1.8, 6), (0.4, 5.6)]],
    "A": [[(0, 6), (2, 0), (4, 6)], [(0.7, 4), (3.3, 4)]],
    "B": [[(0, 3), (0, 0), (2.6, 0)] + _arc(2.6, 1.5, 1.4, 1.5, 90, -90) + [(0, 3), (2.8, 3)]
          + _arc(2.8, 4.5, 1.2, 1.5, 90, -90) + [(0, 6), (0, 3)]],
    "C": [_arc(2.2, 3, 2.2, 3, 50, 310, 20)],
    "D": [[(0, 0), (0, 6), (1.6, 6)] + _arc(1.6, 3, 2.4, 3, -90, 90) + [(0, 0)]],
    "E": [[(4, 0), (0, 0), (0, 6), (4, 6)], [(0, 3), (3, 3)]],
    "F": [[(4, 0), (0, 0), (0, 6)], [(0, 3), (3, 3)]],
    "G": [_arc(2.2, 3, 2.2, 3, 50, 360, 24) + [(4.4, 6)], [(4.4, 3.4), (2.4, 3.4)]],
    "H": [[(0, 0), (0, 6)], [(4, 0), (4, 6)], [(0, 3), (4, 3)]],
    "I": [[(2, 0), (2, 6)], [(1, 0), (3, 0)], [(1, 6), (3, 6)]],
    "J": [[(4, 0), (4, 4.4)] + _arc(2, 4.4, 2, 1.6, 0, -180)],
    "K": [[(0, 0), (0, 6)], [(4, 0), (0, 4)], [(1.4, 2.8), (4, 6)]],
    "L": [[(0, 0), (0, 6), (4, 6)]],
    "M": [[(0, 6), (0, 0), (2, 4), (4, 0), (4, 6)]],
    "N": [[(0, 6), (0, 0), (4, 6), (4, 0)]],
    "O": [_arc(2, 3, 2.2, 3, 0, 360, 24)],
    "P": [[(0, 6), (0, 0), (2.5, 0)] + _arc(2.5, 1.6, 1.5, 1.6, 90, -90) + [(0, 3.2)]],
    "Q": [_arc(2, 3, 2.2, 3, 0, 360, 24), [(2.6, 4.6), (4.4, 6.4)]],
    "R": [[(0, 6), (0, 0), (2.5, 0)] + _arc(2.5, 1.6, 1.5, 1.6, 90, -90) + [(0, 3.2)], [(2, 3.2), (4, 6)]],
    "S": [_arc(2, 1.5, 1.9, 1.5, 30, 270) + _arc(2, 4.5, 2, 1.5, 90, -150)],
    "T": [[(0, 0), (4, 0)], [(2, 0), (2, 6)]],
    "U": [[(0, 0), (0, 4)] + _arc(2, 4, 2, 2, 180, 360) + [(4, 0)]],
    "V": [[(0, 0), (2, 6), (4, 0)]],
    "W": [[(0, 0), (1, 6), (2, 2), (3, 6), (4, 0)]],
    "X": [[(0, 0), (4, 6)], [(4, 0), (0, 6)]],
    "Y": [[(0, 0), (2, 3), (4, 0)], [(2, 3), (2, 6)]],
    "Z": [[(0, 0), (4, 0), (0, 6), (4, 6)]],
    "/": [[(4, 0), (0, 6)]],
}
# Cap height, pen width and advance in units of the glyph grid's height.
_ADVANCE = 6.0 / 6
_PEN = 0.75 / 6


def label(country, number):
    """The heading's form of a document number: country code and number,
    without the leading zeros of its serial part (US, D0365123 -> USD365123)."""
    m = re.match(r"([A-Z]*)0*(\d.*)$", number.upper().replace("/", ""))
    return country + (m.group(1) + m.group(2) if m else number)


def text(country, number, page, count):
    return "%s  PAGE %d OF %d" % (label(country, number), page, count)


def _scale(width):
    """Pixels per seventh of the glyph height: 6 on a 2550-pixel page (a
    cap height of about 1/60 of the width, 42 pixels), never below 3 so a
    small page's heading stays readable."""
    return max(3, width // 400)


@functools.lru_cache(maxsize=None)
def _glyph(c, cap):
    """Rows of glyph `c` `cap` pixels high (plus room for the pen), each a
    bytes of 0 and 1, made once per size."""
    unit = cap / 6.0
    pen = max(1.0, _PEN * cap) / 2
    width = int(math.ceil(4.4 * unit + 2 * pen)) + 1
    height = int(math.ceil(6.4 * unit + 2 * pen)) + 1
    rows = [bytearray(width) for _ in range(height)]
    for stroke in _STROKES.get(c, []):
        points = [(pen + x * unit, pen + y * unit) for x, y in stroke]
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            _segment(rows, x0, y0, x1, y1, pen)
    return [bytes(r) for r in rows]


def _segment(rows, x0, y0, x1, y1, pen):
    """Marks every pixel whose centre lies within `pen` of the segment."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    for y in range(max(0, int(min(y0, y1) - pen)), min(len(rows), int(max(y0, y1) + pen) + 2)):
        row = rows[y]
        for x in range(max(0, int(min(x0, x1) - pen)), min(len(row), int(max(x0, x1) + pen) + 2)):
            px, py = x + 0.5 - x0, y + 0.5 - y0
            t = 0.0 if length2 == 0 else max(0.0, min(1.0, (px * dx + py * dy) / length2))
            ex, ey = px - t * dx, py - t * dy
            if ex * ex + ey * ey <= pen * pen:
                row[x] = 1


def band(width, line):
    """The heading's rows (as changing positions): a white margin, the text, a white margin."""
    s = _scale(width)
    cap = 7 * s
    line = "".join(c if c in _STROKES else " " for c in line.upper())
    advance = int(round(_ADVANCE * cap))
    left = 4 * s
    line = line[:max(0, (width - left - cap) // advance)]
    glyph_height = len(_glyph("0", cap))
    pixels = [bytearray(width) for _ in range(glyph_height)]
    for i, c in enumerate(line):
        x = left + i * advance
        for y, row in enumerate(_glyph(c, cap)):
            end = min(width, x + len(row))
            pixels[y][x:end] = bytes(a | b for a, b in zip(pixels[y][x:end], row))
    rows = [[] for _ in range(2 * s)] + [row_changes(bytes(p)) for p in pixels]
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
