#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds TIFF files byte by byte: "II" (or "MM"), 42, the first IFD at
// offset 8, its entries, a next-IFD offset of 0, then any data.
struct TiffEntry
{
    uint16_t tag;
    uint16_t type;  // 3 SHORT, 4 LONG, 5 RATIONAL
    uint32_t count;
    uint32_t value;  // SHORTs: the first in the low half
};

inline void Put16(std::string& out, uint32_t v, bool bigEndian = false)
{
    const char low = static_cast<char>(v & 0xFF), high = static_cast<char>((v >> 8) & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

inline void Put32(std::string& out, uint32_t v, bool bigEndian = false)
{
    Put16(out, bigEndian ? v >> 16 : v & 0xFFFF, bigEndian);
    Put16(out, bigEndian ? v & 0xFFFF : v >> 16, bigEndian);
}

inline void PutEntry(std::string& out, const TiffEntry& e, bool bigEndian = false)
{
    Put16(out, e.tag, bigEndian);
    Put16(out, e.type, bigEndian);
    Put32(out, e.count, bigEndian);
    if (e.type == 3)
    {
        Put16(out, e.value & 0xFFFF, bigEndian);
        Put16(out, e.value >> 16, bigEndian);
    }
    else
        Put32(out, e.value, bigEndian);
}

// Where data appended by TiffFile starts for a directory of `entries` entries.
inline uint32_t DataOffset(size_t entries)
{
    return static_cast<uint32_t>(8 + 2 + 12 * entries + 4);
}

inline std::string TiffFile(const std::vector<TiffEntry>& entries, const std::string& data = "",
                            bool bigEndian = false)
{
    std::string out = bigEndian ? "MM" : "II";
    Put16(out, 42, bigEndian);
    Put32(out, 8, bigEndian);
    Put16(out, static_cast<uint32_t>(entries.size()), bigEndian);
    for (const TiffEntry& e : entries)
        PutEntry(out, e, bigEndian);
    Put32(out, 0, bigEndian);
    return out + data;
}

// A single-strip page whose strip is `strip`; bitsPerSample 0 leaves the
// tag out.
inline std::string PageFile(uint32_t width, uint32_t length, uint32_t compression,
                            const std::string& strip = "STRIPDATA", uint32_t photometric = 0,
                            uint32_t bitsPerSample = 1)
{
    std::vector<TiffEntry> entries = {
        {256, 4, 1, width},       {257, 4, 1, length}, {259, 3, 1, compression},
        {262, 3, 1, photometric}, {273, 4, 1, 0},      {279, 4, 1, static_cast<uint32_t>(strip.size())},
    };
    if (bitsPerSample != 0)
        entries.push_back({258, 3, 1, bitsPerSample});
    entries[4].value = DataOffset(entries.size());
    return TiffFile(entries, strip);
}
