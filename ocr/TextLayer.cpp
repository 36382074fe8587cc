#include "ocr/TextLayer.h"

#include "ocr/GlyphlessFont.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <wx/string.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

// The layer's font in each page's resources.
const char fontName[] = "FHText";

// A number as PDF content writes it, two decimals, whatever the locale.
std::string Number(double value)
{
    char text[32];
    const std::to_chars_result result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    return std::string(text, result.ptr);
}

// UTF-16 code units as a hex string; characters beyond the first plane,
// which a two-byte code cannot map back on its own, as U+FFFD.
std::string HexCodes(const std::string& utf8, bool space, size_t& count)
{
    std::string hex = "<";
    char unit[12];
    count = 0;
    const auto put = [&](unsigned value) {
        std::snprintf(unit, sizeof unit, "%04X", value);
        hex += unit;
        ++count;
    };
    for (const wxUniChar c : wxString::FromUTF8(utf8))
    {
        const unsigned code = c.GetValue();
        put(code < 0x10000 && (code < 0xD800 || code > 0xDFFF) ? code : 0xFFFD);
    }
    if (space)
        put(0x20);
    return hex + ">";
}

std::string Deflated(const std::string& data)
{
    Pl_Buffer buffer("deflated");
    Pl_Flate flate("deflate", &buffer, Pl_Flate::a_deflate);
    flate.write(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    flate.finish();
    const std::shared_ptr<Buffer> bytes = buffer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize());
}

QPDFObjectHandle DeflatedStream(QPDF& pdf, const std::string& data)
{
    QPDFObjectHandle stream = pdf.newStream();
    stream.replaceStreamData(Deflated(data), QPDFObjectHandle::newName("/FlateDecode"),
                             QPDFObjectHandle::newNull());
    return stream;
}

// Each code to the character of the same number, in ranges that differ in
// their last byte only, at most 100 to a block.
std::string ToUnicodeMap()
{
    std::string map =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    char line[64];
    for (int first = 0; first < 256; first += 100)
    {
        const int last = std::min(first + 100, 256);
        map += std::to_string(last - first) + " beginbfrange\n";
        for (int high = first; high < last; ++high)
        {
            std::snprintf(line, sizeof line, "<%02X00> <%02XFF> <%02X00>\n", high, high, high);
            map += line;
        }
        map += "endbfrange\n";
    }
    return map + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// Every code drawn with glyph 1.
std::string GlyphMap()
{
    std::string map;
    map.reserve(2 * 65536);
    for (int code = 0; code < 65536; ++code)
        map += std::string("\0\1", 2);
    return map;
}

}  // namespace

namespace TextLayer {

std::string Content(const PageText& text, double width, double height, const std::string& fontName)
{
    if (text.columns <= 0 || text.rows <= 0)
        return std::string();
    const double xScale = width / text.columns;
    const double yScale = height / text.rows;
    std::string content = "BT\n3 Tr\n";
    for (const PageText::Line& line : text.lines)
    {
        const double size = (line.box.bottom - line.box.top) * yScale;
        if (size <= 0)
            continue;
        const std::string baseline = Number(height - line.box.bottom * yScale);
        content += "/" + fontName + " " + Number(size) + " Tf\n";
        for (size_t w = 0; w < line.words.size(); ++w)
        {
            const PageText::Box& box = line.words[w].box;
            // A word and its space reach the next word, so that a reader
            // sees one line of words and spaces rather than words apart.
            const bool spaced = w + 1 < line.words.size();
            const int reach = spaced ? std::max(line.words[w + 1].box.left, box.right) : box.right;
            size_t count = 0;
            const std::string codes = HexCodes(line.words[w].text, spaced, count);
            if (reach <= box.left || count == (spaced ? 1u : 0u))
                continue;
            // Horizontal scaling in percent: the codes' width at this size,
            // stretched to the reach.
            const double stretch = (reach - box.left) * xScale * 100 / (count * size * glyphlessWidth / 1000);
            content += "1 0 0 1 " + Number(box.left * xScale) + " " + baseline + " Tm\n" + Number(stretch)
                + " Tz\n" + codes + " Tj\n";
        }
    }
    return content + "ET\n";
}

QPDFObjectHandle AddFont(QPDF& pdf)
{
    const std::string program = GlyphlessFont();
    QPDFObjectHandle fontFile = DeflatedStream(pdf, program);
    fontFile.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(program.size())));
    QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName /GlyphLessFont /Flags 5 /FontBBox [0 0 "
        + std::to_string(glyphlessWidth) + " 1000] /ItalicAngle 0 /Ascent 1000 /Descent -1 /CapHeight 1000 /StemV 80 >>"));
    descriptor.replaceKey("/FontFile2", fontFile);
    QPDFObjectHandle glyphs = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /GlyphLessFont"
        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /DW "
        + std::to_string(glyphlessWidth) + " >>"));
    glyphs.replaceKey("/FontDescriptor", descriptor);
    glyphs.replaceKey("/CIDToGIDMap", DeflatedStream(pdf, GlyphMap()));
    QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /Type0 /BaseFont /GlyphLessFont /Encoding /Identity-H >>"));
    font.replaceKey("/DescendantFonts", QPDFObjectHandle::newArray({glyphs}));
    font.replaceKey("/ToUnicode", DeflatedStream(pdf, ToUnicodeMap()));
    return font;
}

void LayOver(QPDF& pdf, QPDFPageObjectHelper& page, QPDFObjectHandle font, const PageText& text, double width,
             double height)
{
    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary())
    {
        resources = QPDFObjectHandle::newDictionary();
        page.getObjectHandle().replaceKey("/Resources", resources);
    }
    QPDFObjectHandle fonts = resources.getKey("/Font");
    if (!fonts.isDictionary())
    {
        fonts = QPDFObjectHandle::newDictionary();
        resources.replaceKey("/Font", fonts);
    }
    fonts.replaceKey(std::string("/") + fontName, font);
    page.addPageContents(DeflatedStream(pdf, Content(text, width, height, fontName)), false);
}

}  // namespace TextLayer
