"""OPS 3.2 page images: a G4 page of pages/ rewritten the way the EPO serves it.

The EPO's pages are big-endian ("MM") TIFFs with one IFD and one strip,
ResolutionUnit 3 (centimetres), an A4 sheet's resolution per axis, and no
BitsPerSample, FillOrder or T6Options entry (their defaults hold). Only the
TIFF structure is rewritten: the G4 strip bytes stay exactly as in the file.
"""

import struct

SHORT, LONG, RATIONAL = 3, 4, 5
A4_MM = (210, 297)


class TiffError(ValueError):
    pass


def _single_values(data):
    """{tag: value} of the single SHORT/LONG entries of a little-endian TIFF's first IFD."""
    if data[:4] != b"II*\0" or len(data) < 8:
        raise TiffError("not a little-endian TIFF")
    ifd = struct.unpack_from("<I", data, 4)[0]
    if ifd + 2 > len(data):
        raise TiffError("IFD outside the file")
    count = struct.unpack_from("<H", data, ifd)[0]
    if ifd + 2 + 12 * count > len(data):
        raise TiffError("IFD outside the file")
    values = {}
    for i in range(count):
        tag, kind, n = struct.unpack_from("<HHI", data, ifd + 2 + 12 * i)
        if n == 1 and kind == SHORT:
            values[tag] = struct.unpack_from("<H", data, ifd + 10 + 12 * i)[0]
        elif n == 1 and kind == LONG:
            values[tag] = struct.unpack_from("<I", data, ifd + 10 + 12 * i)[0]
    return values


def g4_strip(data):
    """(width, height, photometric, strip bytes) of a one-strip G4 page."""
    v = _single_values(data)
    if v.get(259) != 4:
        raise TiffError("not a G4 page")
    for tag in (256, 257, 273, 279):
        if tag not in v:
            raise TiffError("no single value for tag %d" % tag)
    start, length = v[273], v[279]
    if start + length > len(data):
        raise TiffError("strip outside the file")
    return v[256], v[257], v.get(262, 0), data[start:start + length]


_TYPE_SIZES = {1: 1, 2: 1, 3: 2, 4: 4, 5: 8, 6: 1, 7: 1, 8: 2, 9: 4, 10: 8, 11: 4, 12: 8}


def strip_fields(data):
    """(width, height, compression, T4Options, strip bytes) of a one-strip fax page."""
    v = _single_values(data)
    for tag in (256, 257, 259, 273, 279):
        if tag not in v:
            raise TiffError("no single value for tag %d" % tag)
    start, length = v[273], v[279]
    if start + length > len(data):
        raise TiffError("strip outside the file")
    return v[256], v[257], v[259], v.get(292, 0), data[start:start + length]


def replace_strip(data, strip):
    """The little-endian one-strip TIFF with another strip in the old one's place:
    StripByteCounts follows, every offset behind the old strip moves along."""
    v = _single_values(data)
    start, end = v[273], v[273] + v[279]
    delta = len(strip) - v[279]
    out = bytearray(data[:start] + strip + data[end:])

    def moved(offset):
        return offset + delta if offset >= end else offset

    ifd = struct.unpack_from("<I", data, 4)[0]
    struct.pack_into("<I", out, 4, moved(ifd))
    at = moved(ifd)
    count = struct.unpack_from("<H", data, ifd)[0]
    for i in range(count):
        entry = at + 2 + 12 * i
        tag, kind, n = struct.unpack_from("<HHI", out, entry)
        if tag == 279:
            if kind == SHORT and len(strip) > 0xFFFF:
                raise TiffError("the strip outgrows a SHORT StripByteCounts")
            struct.pack_into("<H" if kind == SHORT else "<I", out, entry + 8, len(strip))
        elif _TYPE_SIZES.get(kind, 1) * n > 4:
            offset = struct.unpack_from("<I", out, entry + 8)[0]
            struct.pack_into("<I", out, entry + 8, moved(offset))
    return bytes(out)


def _entry(tag, kind, value):
    if kind == SHORT:
        # A SHORT sits in the first two bytes of the value field.
        return struct.pack(">HHIHH", tag, kind, 1, value, 0)
    return struct.pack(">HHII", tag, kind, 1, value)


def ops_page(data):
    """The page in the EPO's form: header, IFD at 8, two rationals, then the strip."""
    width, height, photometric, strip = g4_strip(data)
    size_kind = SHORT if max(width, height) <= 0xFFFF else LONG
    entries = 10
    rationals_at = 8 + 2 + 12 * entries + 4
    strip_at = rationals_at + 16
    # Pixels per centimetre of an A4 sheet: width / 21 cm and height / 29.7 cm.
    rationals = struct.pack(">IIII", width * 10, A4_MM[0], height * 10, A4_MM[1])
    ifd = struct.pack(">H", entries) + b"".join([
        _entry(256, size_kind, width),
        _entry(257, size_kind, height),
        _entry(259, SHORT, 4),
        _entry(262, SHORT, photometric),
        _entry(273, LONG, strip_at),
        _entry(278, LONG, height),
        _entry(279, LONG, len(strip)),
        _entry(282, RATIONAL, rationals_at),
        _entry(283, RATIONAL, rationals_at + 8),
        _entry(296, SHORT, 3),
    ]) + struct.pack(">I", 0)
    return b"MM\0*" + struct.pack(">I", 8) + ifd + rationals + strip
