"""PDFs of the kind Patent Public Search serves: one G4 image per letter page.

Written object by object with a cross-reference table; the G4 strips go in
unchanged as CCITTFaxDecode image streams.
"""

LETTER = (612, 792)


def _stream(dictionary, data):
    return b"<< %s /Length %d >>\nstream\n" % (dictionary, len(data)) + data + b"\nendstream"


def g4_pdf(strips):
    """The PDF 1.7 bytes of pages [(width, height, strip)], in that order."""
    count = len(strips)
    kids = b" ".join(b"%d 0 R" % (3 + 3 * i) for i in range(count))
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [%s] /Count %d >>" % (kids, count)]
    for i, (width, height, strip) in enumerate(strips):
        page, contents, image = 3 + 3 * i, 4 + 3 * i, 5 + 3 * i
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] "
                       b"/Resources << /XObject << /Im0 %d 0 R >> >> /Contents %d 0 R >>"
                       % (LETTER[0], LETTER[1], image, contents))
        objects.append(_stream(b"", b"q %d 0 0 %d 0 0 cm /Im0 Do Q" % LETTER))
        objects.append(_stream(
            b"/Type /XObject /Subtype /Image /Width %d /Height %d /ColorSpace /DeviceGray "
            b"/BitsPerComponent 1 /Filter /CCITTFaxDecode "
            b"/DecodeParms << /K -1 /Columns %d /Rows %d >>" % (width, height, width, height),
            strip))
    return serialised(objects)


def serialised(objects):
    """A PDF file of `objects` (object 1 the catalog), with its cross-reference table."""
    out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return bytes(out)
