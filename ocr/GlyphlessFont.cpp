#include "ocr/GlyphlessFont.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

class BigEndian
{
public:
    BigEndian& U16(uint32_t value)
    {
        bytes += static_cast<char>((value >> 8) & 0xFF);
        bytes += static_cast<char>(value & 0xFF);
        return *this;
    }
    BigEndian& U32(uint32_t value)
    {
        return U16(value >> 16).U16(value & 0xFFFF);
    }
    BigEndian& Zeros(size_t count)
    {
        bytes.append(count, '\0');
        return *this;
    }
    std::string bytes;
};

uint32_t CheckSum(const std::string& table)
{
    std::string padded = table;
    padded.append((4 - padded.size() % 4) % 4, '\0');
    uint32_t sum = 0;
    for (size_t i = 0; i < padded.size(); i += 4)
        sum += (uint32_t(uint8_t(padded[i])) << 24) | (uint32_t(uint8_t(padded[i + 1])) << 16)
            | (uint32_t(uint8_t(padded[i + 2])) << 8) | uint32_t(uint8_t(padded[i + 3]));
    return sum;
}

const int unitsPerEm = 1000;
const int glyphCount = 2;

std::string Head()
{
    BigEndian t;
    t.U32(0x00010000).U32(0x00010000);  // version, font revision
    t.U32(0);                           // checksum adjustment, set last
    t.U32(0x5F0F3CF5).U16(0x000B);      // magic; baseline and left side bearing at 0, integer scaling
    t.U16(unitsPerEm).Zeros(16);        // created and modified: none
    t.U16(0).U16(0).U16(glyphlessWidth).U16(unitsPerEm);  // bounding box
    t.U16(0).U16(8).U16(2);             // style, smallest size, direction
    t.U16(0).U16(0);                    // short offsets in 'loca', glyph data format
    return t.bytes;
}

std::string HorizontalHeader()
{
    BigEndian t;
    t.U32(0x00010000).U16(unitsPerEm).U16(0).U16(0);  // ascender, descender, line gap
    t.U16(glyphlessWidth).U16(0).U16(0).U16(0);        // widest advance, bearings, extent
    t.U16(1).U16(0).U16(0).Zeros(8);                   // upright caret
    t.U16(0).U16(glyphCount);                          // metric format, advances listed
    return t.bytes;
}

std::string MaximumProfile()
{
    BigEndian t;
    t.U32(0x00010000).U16(glyphCount);
    t.Zeros(4 * 2).U16(1).Zeros(8 * 2);  // no points or contours; one zone
    return t.bytes;
}

std::string HorizontalMetrics()
{
    BigEndian t;
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        t.U16(glyphlessWidth).U16(0);
    return t.bytes;
}

std::string Locations()
{
    BigEndian t;
    return t.Zeros(2 * (glyphCount + 1)).bytes;  // every glyph empty
}

std::string PostScript()
{
    BigEndian t;
    t.U32(0x00030000).Zeros(8).U32(1).Zeros(16);  // no glyph names; fixed pitch
    return t.bytes;
}

}  // namespace

std::string GlyphlessFont()
{
    // Sorted by tag, as the table directory must be.
    const std::vector<std::pair<std::string, std::string>> tables = {
        {"glyf", ""},
        {"head", Head()},
        {"hhea", HorizontalHeader()},
        {"hmtx", HorizontalMetrics()},
        {"loca", Locations()},
        {"maxp", MaximumProfile()},
        {"post", PostScript()},
    };
    const uint32_t count = static_cast<uint32_t>(tables.size());
    uint32_t power = 1, log = 0;
    while (power * 2 <= count)
        power *= 2, ++log;
    BigEndian font;
    font.U32(0x00010000).U16(count).U16(16 * power).U16(log).U16(16 * (count - power));
    uint32_t offset = 12 + 16 * count;
    uint32_t headOffset = 0;
    std::string data;
    for (const auto& [tag, table] : tables)
    {
        if (tag == "head")
            headOffset = offset;
        font.bytes += tag;
        font.U32(CheckSum(table)).U32(offset).U32(static_cast<uint32_t>(table.size()));
        std::string padded = table;
        padded.append((4 - padded.size() % 4) % 4, '\0');
        data += padded;
        offset += static_cast<uint32_t>(padded.size());
    }
    std::string file = font.bytes + data;
    // The head table's adjustment makes the whole file sum to the magic.
    const uint32_t adjustment = 0xB1B0AFBA - CheckSum(file);
    for (int i = 0; i < 4; ++i)
        file[headOffset + 8 + i] = static_cast<char>((adjustment >> (24 - 8 * i)) & 0xFF);
    return file;
}
