#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds little-endian TIFF files byte by byte: "II", 42, the first IFD at
// offset 8, its entries, a next-IFD offset of 0, then any data.
struct TiffEntry
{
    uint16_t tag;
    uint16_t type;  // 3 SHORT, 4 LONG
    uint32_t count;
    uint32_t value;
};

inline void Put16(std::string& out, uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(std::string& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

inline void PutEntry(std::string& out, const TiffEntry& e)
{
    Put16(out, e.tag);
    Put16(out, e.type);
    Put32(out, e.count);
    Put32(out, e.value);
}

// Where data appended by TiffFile starts for a directory of `entries` entries.
inline uint32_t DataOffset(size_t entries)
{
    return static_cast<uint32_t>(8 + 2 + 12 * entries + 4);
}

inline std::string TiffFile(const std::vector<TiffEntry>& entries, const std::string& data = "")
{
    std::string out = "II";
    Put16(out, 42);
    Put32(out, 8);
    Put16(out, static_cast<uint32_t>(entries.size()));
    for (const TiffEntry& e : entries)
        PutEntry(out, e);
    Put32(out, 0);
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
