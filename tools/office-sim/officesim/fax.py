"""CCITT fax coding (T.4 one-dimensional and T.6 "G4"), just enough to rewrite
the top rows of a page and keep every row below it exactly as coded.

A row is the list of its changing positions: where black starts, where it
ends, and so on, left to right.
"""

import bisect
import re

# Modified Huffman run codes: terminating (0..63) and make-up (64..1728) per
# colour, then the extended make-up codes (1792..2560) both colours share.
_WHITE = (
    "00110101 000111 0111 1000 1011 1100 1110 1111 10011 10100 00111 01000 001000 000011 "
    "110100 110101 101010 101011 0100111 0001100 0001000 0010111 0000011 0000100 0101000 "
    "0101011 0010011 0100100 0011000 00000010 00000011 00011010 00011011 00010010 "
    "00010011 00010100 00010101 00010110 00010111 00101000 00101001 00101010 00101011 "
    "00101100 00101101 00000100 00000101 00001010 00001011 01010010 01010011 01010100 "
    "01010101 00100100 00100101 01011000 01011001 01011010 01011011 01001010 01001011 "
    "00110010 00110011 00110100 "
    "11011 10010 010111 0110111 00110110 00110111 01100100 01100101 01101000 01100111 "
    "011001100 011001101 011010010 011010011 011010100 011010101 011010110 011010111 "
    "011011000 011011001 011011010 011011011 010011000 010011001 010011010 011000 "
    "010011011").split()
_BLACK = (
    "0000110111 010 11 10 011 0011 0010 00011 000101 000100 0000100 0000101 0000111 "
    "00000100 00000111 000011000 0000010111 0000011000 0000001000 00001100111 "
    "00001101000 00001101100 00000110111 00000101000 00000010111 00000011000 "
    "000011001010 000011001011 000011001100 000011001101 000001101000 000001101001 "
    "000001101010 000001101011 000011010010 000011010011 000011010100 000011010101 "
    "000011010110 000011010111 000001101100 000001101101 000011011010 000011011011 "
    "000001010100 000001010101 000001010110 000001010111 000001100100 000001100101 "
    "000001010010 000001010011 000000100100 000000110111 000000111000 000000100111 "
    "000000101000 000001011000 000001011001 000000101011 000000101100 000001011010 "
    "000001100110 000001100111 "
    "0000001111 000011001000 000011001001 000001011011 000000110011 000000110100 "
    "000000110101 0000001101100 0000001101101 0000001001010 0000001001011 "
    "0000001001100 0000001001101 0000001110010 0000001110011 0000001110100 "
    "0000001110101 0000001110110 0000001110111 0000001010010 0000001010011 "
    "0000001010100 0000001010101 0000001011010 0000001011011 0000001100100 "
    "0000001100101").split()
_EXTENDED = ("00000001000 00000001100 00000001101 000000010010 000000010011 000000010100 "
             "000000010101 000000010110 000000010111 000000011100 000000011101 "
             "000000011110 000000011111").split()


def _run_table(codes):
    runs = list(range(64)) + list(range(64, 1729, 64)) + list(range(1792, 2561, 64))
    return dict(zip(runs, codes + _EXTENDED))


RUN_CODES = (_run_table(_WHITE), _run_table(_BLACK))
_RUN_OF = tuple({code: run for run, code in table.items()} for table in RUN_CODES)

EOL = "000000000001"
PASS, HORIZONTAL = "0001", "001"
VERTICAL = {0: "1", 1: "011", 2: "000011", 3: "0000011",
            -1: "010", -2: "000010", -3: "0000010"}
_MODE_OF = dict([(PASS, "P"), (HORIZONTAL, "H")] + [(c, d) for d, c in VERTICAL.items()])


class FaxError(ValueError):
    pass


def to_bits(data):
    return bin(int.from_bytes(b"\x01" + data, "big"))[3:]


def to_bytes(bits):
    bits += "0" * (-len(bits) % 8)
    return int("1" + bits, 2).to_bytes(len(bits) // 8 + 1, "big")[1:]


def row_changes(pixels):
    """Changing positions of a row given as bytes of 0 (white) and 1 (black)."""
    changes = []
    for m in re.finditer(b"\x01+", pixels):
        changes += [m.start(), m.end()]
    return changes


def encode_run(run, colour):
    table, out = RUN_CODES[colour], []
    while run >= 2560:
        out.append(table[2560])
        run -= 2560
    if run >= 64:
        out.append(table[run - run % 64])
        run %= 64
    out.append(table[run])
    return "".join(out)


def _read_run(bits, pos, colour):
    """(run, position after it) of one colour's run at bit pos."""
    total, codes = 0, _RUN_OF[colour]
    while True:
        for length in range(2, 14):
            code = bits[pos:pos + length]
            if code in codes:
                break
        else:
            raise FaxError("no run code at bit %d" % pos)
        pos += length
        total += codes[code]
        if codes[code] < 64:
            return total, pos


def _b1_b2(ref, a0, colour):
    i = bisect.bisect_right(ref, a0)
    if i % 2 != colour:
        i += 1
    return ref[i], ref[i + 1]


def g4_encode_row(cur, ref, width):
    """T.6 bits of row `cur` coded against reference row `ref`."""
    cur, ref = cur + [width] * 2, ref + [width] * 3
    out, a0, colour, i = [], -1, 0, 0
    while a0 < width:
        i = bisect.bisect_right(cur, a0, i)
        a1, a2 = cur[i], cur[i + 1]
        b1, b2 = _b1_b2(ref, a0, colour)
        if b2 < a1:
            out.append(PASS)
            a0 = b2
        elif abs(a1 - b1) <= 3:
            out.append(VERTICAL[a1 - b1])
            a0, colour = a1, colour ^ 1
        else:
            start = max(a0, 0)
            out += [HORIZONTAL, encode_run(a1 - start, colour), encode_run(a2 - a1, colour ^ 1)]
            a0 = a2
    return "".join(out)


def g4_decode_row(bits, pos, ref, width):
    """(row, bit position after it) of the T.6 row at pos, coded against ref."""
    ref, cur, a0, colour = ref + [width] * 3, [], -1, 0
    while a0 < width:
        for length in range(1, 8):
            mode = _MODE_OF.get(bits[pos:pos + length])
            if mode is not None:
                break
        else:
            raise FaxError("no mode code at bit %d" % pos)
        pos += length
        b1, b2 = _b1_b2(ref, a0, colour)
        if mode == "P":
            a0 = b2
        elif mode == "H":
            run1, pos = _read_run(bits, pos, colour)
            run2, pos = _read_run(bits, pos, colour ^ 1)
            a1 = max(a0, 0) + run1
            a0 = a1 + run2
            cur += [a1, a0]
        else:
            a0, colour = b1 + mode, colour ^ 1
            cur.append(a0)
        if a0 > width or (cur and cur[-1] < 0):
            raise FaxError("row runs past the width at bit %d" % pos)
    return [c for c in cur if c < width], pos


def g4_replace_top(strip, width, rows):
    """The G4 strip with its first len(rows) rows replaced. The row after them
    is coded anew against the last of them, so every row below decodes as before."""
    bits, pos, kept = to_bits(strip), 0, []
    for _ in range(len(rows) + 1):
        kept, pos = g4_decode_row(bits, pos, kept, width)
    out, ref = [], []
    for row in rows + [kept]:
        out.append(g4_encode_row(row, ref, width))
        ref = row
    return to_bytes("".join(out) + bits[pos:])


def mh_replace_top(strip, width, rows, byte_aligned_eols):
    """The T.4 one-dimensional strip (each row after an EOL) with its first
    len(rows) rows replaced; with byte-aligned EOLs every EOL ends on a byte."""
    bits, pos = to_bits(strip), -1
    for _ in range(len(rows) + 1):
        pos = bits.find(EOL, pos + 1)
        if pos < 0:
            raise FaxError("fewer rows than replaced")
    rest = bits[pos + len(EOL):]
    out = ""
    for row in rows + [None]:
        if byte_aligned_eols:
            out += "0" * (-(len(out) + len(EOL)) % 8)
        out += EOL
        if row is None:
            break
        edges = [0] + row + [width]
        out += "".join(encode_run(edges[k + 1] - edges[k], k % 2) for k in range(len(edges) - 1))
    return to_bytes(out + rest)
