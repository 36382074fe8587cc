#include "pdf/TiffPage.h"
#include "tests/pdf/TiffBytes.h"

#include <gtest/gtest.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

namespace {

struct Parsed
{
    bool ok;
    wxString error;
    std::string written;
    bool okAfterWrite;
};

std::string Written(TiffPage& page)
{
    wxMemoryOutputStream out;
    page.WriteStrips(out);
    std::string written(out.GetLength(), '\0');
    if (!written.empty())
        out.CopyTo(&written[0], written.size());
    return written;
}

Parsed Parse(const std::string& bytes)
{
    wxMemoryInputStream input(bytes.data(), bytes.size());
    TiffPage page(input);
    Parsed result{page.IsOk(), page.GetError(), "", false};
    result.written = Written(page);
    result.okAfterWrite = page.IsOk();
    return result;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

std::string WithIfdAt(uint32_t ifd, const std::string& rest = "")
{
    std::string out = "II*";
    out += '\0';
    Put32(out, ifd);
    return out + rest;
}

struct ErrorCase
{
    const char* name;
    std::string bytes;
    const char* error;
};

TEST(TiffPage, EachParseFailureHasItsTextAtItsStep)
{
    std::string countOnly2 = WithIfdAt(8);
    Put16(countOnly2, 0);  // two bytes of count, the other two missing
    std::string shortEntry = WithIfdAt(8);
    Put16(shortEntry, 2);
    Put16(shortEntry, 0);
    shortEntry += std::string(12, '\0');  // entry 0 whole, entry 1 has 2 bytes

    const ErrorCase cases[] = {
        {"empty", "", " reading image!"},
        {"two bytes", "II", " reading image!"},
        {"html page", "<html><body>Server Error</body></html>", "Not a tiff image? 116"},
        {"big-endian, ifd at end", Bytes({'M', 'M', 0, 42, 0, 0, 0, 8}), " reading number of entries in image!"},
        {"big-endian, three bytes", Bytes({'M', 'M', 0}), " reading image!"},
        {"third byte high", Bytes({'I', 'I', 0xFF, 0}), "Not a tiff image? 255"},
        {"MM then 42 little-endian", Bytes({'M', 'M', 42, 0}), "Not a tiff image? 10752"},
        {"MM then 43", Bytes({'M', 'M', 0, 43}), "Not a tiff image? 43"},
        {"mixed order mark", Bytes({'I', 'M', 42, 0}), " BigEndian Image unsupported!"},
        {"three bytes", "II*", " seeking to image idf!"},
        {"ifd pointer cut", Bytes({'I', 'I', 42, 0, 8, 0}), " reading image idf!"},
        {"ifd past end", WithIfdAt(9), " seeking to number of entries of image!"},
        {"ifd at 2^32-1", WithIfdAt(0xFFFFFFFF), " seeking to number of entries of image!"},
        {"ifd at end", WithIfdAt(8), " reading number of entries in image!"},
        {"count of 2 bytes", countOnly2, " reading number of entries in image!"},
        {"entry cut short", shortEntry, " reading ifd!"},
    };
    for (const ErrorCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const Parsed parsed = Parse(c.bytes);
        EXPECT_FALSE(parsed.ok);
        EXPECT_EQ(parsed.error, c.error);
        EXPECT_EQ(parsed.written, "");  // WriteStrips does nothing after a failure
    }
}

TEST(TiffPage, BadInputStreamIsReported)
{
    wxLogNull quiet;
    wxFileInputStream missing("/nonexistent/folder/page.tif");
    TiffPage page(missing);
    EXPECT_FALSE(page.IsOk());
    EXPECT_EQ(page.GetError(), " bad input stream!");
}

TEST(TiffPage, ReadsTheFieldsAndWritesTheStrip)
{
    std::vector<TiffEntry> entries = {
        {256, 4, 1, 2550}, {257, 4, 1, 3300}, {258, 3, 1, 1}, {259, 3, 1, 4},
        {262, 3, 1, 0},    {273, 4, 1, 0},    {279, 4, 1, 5}, {282, 5, 1, 4000},  // XResolution: ignored
        {292, 4, 1, 5},
    };
    entries[5].value = DataOffset(entries.size());
    const std::string bytes = TiffFile(entries, "ABCDEtrailing");
    wxMemoryInputStream in(bytes.data(), bytes.size());
    TiffPage page(in);
    ASSERT_TRUE(page.IsOk());
    EXPECT_EQ(page.GetError(), "");
    EXPECT_EQ(page.width, 2550u);
    EXPECT_EQ(page.length, 3300u);
    EXPECT_EQ(page.bitsPerSample, 1u);
    EXPECT_EQ(page.compression, 4u);
    EXPECT_EQ(page.photometric, 0u);
    EXPECT_EQ(page.t4Options, 5u);
    EXPECT_EQ(page.GetStripCount(), 1u);
    EXPECT_EQ(page.StripDataSize(), 5u);
    EXPECT_TRUE(page.StripsInsideData());
    EXPECT_EQ(Written(page), "ABCDE");
    EXPECT_TRUE(page.IsOk());
}

TEST(TiffPage, ZeroEntriesParseWithEverythingZero)
{
    std::string bytes = WithIfdAt(8);
    Put32(bytes, 0);  // count 0 plus the two bytes the reader also takes
    wxMemoryInputStream in(bytes.data(), bytes.size());
    TiffPage page(in);
    ASSERT_TRUE(page.IsOk());
    EXPECT_EQ(page.width + page.length + page.bitsPerSample + page.compression + page.photometric
                  + page.t4Options,
              0u);
    EXPECT_EQ(page.GetStripCount(), 0u);
    EXPECT_EQ(Written(page), "");
    EXPECT_TRUE(page.IsOk());
}

TEST(TiffPage, DirectoryMayFollowTheData)
{
    // The layout tiffcp writes: strip at offset 8, directory after it.
    std::string bytes = WithIfdAt(8 + 4, "WXYZ");
    Put16(bytes, 3);
    for (const TiffEntry& e : std::vector<TiffEntry>{{256, 3, 1, 17}, {273, 4, 1, 8}, {279, 4, 1, 4}})
        PutEntry(bytes, e);
    Put32(bytes, 0);
    const Parsed parsed = Parse(bytes);
    EXPECT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.written, "WXYZ");
    EXPECT_TRUE(parsed.okAfterWrite);
}

struct StripCase
{
    const char* name;
    std::vector<TiffEntry> strips;
    std::string written;
    bool okAfterWrite;
};

TEST(TiffPage, StripEntries)
{
    // Every case has two entries, so the data "0123456789" starts at `base`.
    const uint32_t base = DataOffset(2);
    const StripCase cases[] = {
        {"one LONG each", {{273, 4, 1, base + 2}, {279, 4, 1, 3}}, "234", true},
        {"SHORT count 1", {{273, 3, 1, base}, {279, 3, 1, 10}}, "0123456789", true},
        {"two inline SHORT strips",
         {{273, 3, 2, (base + 6) | ((base + 1) << 16)}, {279, 3, 2, 2 | (3 << 16)}}, "67123", true},
        {"three strips stored elsewhere", {{273, 4, 3, base}, {279, 4, 3, base}}, "", true},
        {"SHORT count 0 holds nothing", {{273, 3, 0, base}, {279, 3, 0, 4}}, "", true},
        {"LONG count 2 is not inline", {{273, 4, 2, base}, {279, 4, 1, 4}}, "", false},
        {"offsets without counts", {{273, 4, 1, base}, {282, 4, 1, 4}}, "", false},
        {"strip ends at the end", {{273, 4, 1, base + 7}, {279, 4, 1, 3}}, "789", true},
        {"empty strip at the end", {{273, 4, 1, base + 10}, {279, 4, 1, 0}}, "", true},
        {"strip runs past the end", {{273, 4, 1, base + 7}, {279, 4, 1, 4}}, "", false},
        {"offset past the end", {{273, 4, 1, base + 11}, {279, 4, 1, 0}}, "", false},
        {"offset+count overflow 32 bits", {{273, 4, 1, base + 4}, {279, 4, 1, 0xFFFFFFFF - 2}}, "", false},
        {"offset >= 2^31", {{273, 4, 1, 0x80000000u + 4}, {279, 4, 1, 1}}, "", false},
        {"offset 2^32-1", {{273, 4, 1, 0xFFFFFFFFu}, {279, 4, 1, 2}}, "", false},
        {"first written, second past end",
         {{273, 3, 2, base | ((base + 9) << 16)}, {279, 3, 2, 2 | (5 << 16)}}, "01", false},
    };
    for (const StripCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.strips.size(), 2u);
        const Parsed parsed = Parse(TiffFile(c.strips, "0123456789"));
        EXPECT_TRUE(parsed.ok);
        EXPECT_EQ(parsed.written, c.written);
        EXPECT_EQ(parsed.okAfterWrite, c.okAfterWrite);
    }
}

TEST(TiffPage, RepeatedTagsOverwriteOrAppend)
{
    const uint32_t base = DataOffset(6);
    const std::string bytes = TiffFile({{256, 4, 1, 10}, {256, 4, 1, 20}, {273, 4, 1, base},
                                        {273, 4, 1, base + 3}, {279, 4, 1, 1}, {279, 4, 1, 2}},
                                       "abcdef");
    wxMemoryInputStream in(bytes.data(), bytes.size());
    TiffPage page(in);
    ASSERT_TRUE(page.IsOk());
    EXPECT_EQ(page.width, 20u);
    EXPECT_EQ(page.GetStripCount(), 2u);
    EXPECT_EQ(Written(page), "ade");
}

TEST(TiffPage, ValueFieldIsTakenWholeWhateverTheType)
{
    const std::string bytes = TiffFile({{256, 3, 1, 0x00010002}, {259, 1, 4, 0x04030201}});
    wxMemoryInputStream input(bytes.data(), bytes.size());
    TiffPage page(input);
    ASSERT_TRUE(page.IsOk());
    EXPECT_EQ(page.width, 0x00010002u);
    EXPECT_EQ(page.compression, 0x04030201u);
}

// A memory stream that announces a length of its choosing, as a pipe (no
// length) or a file changing under the reader might.
class AnnouncingStream : public wxMemoryInputStream
{
public:
    AnnouncingStream(const std::string& bytes, wxFileOffset announced)
        : wxMemoryInputStream(bytes.data(), bytes.size()), announced(announced)
    {
    }
    wxFileOffset GetLength() const override { return announced; }

private:
    wxFileOffset announced;
};

TEST(TiffPage, TheBytesThatArriveCountNotTheAnnouncedLength)
{
    const std::string strip(70000, 'x');
    const std::string bytes = TiffFile({{256, 4, 1, 7}, {273, 4, 1, DataOffset(3)}, {279, 4, 1, 70000}}, strip);
    std::string cut = bytes.substr(0, bytes.size() - 1);
    const struct
    {
        const char* name;
        const std::string& input;
        wxFileOffset announced;
        std::string written;
        bool okAfterWrite;
    } cases[] = {
        {"no length", bytes, wxInvalidOffset, strip, true},
        {"exact length", bytes, static_cast<wxFileOffset>(bytes.size()), strip, true},
        {"announces less", bytes, 100, strip, true},
        {"announces more", bytes, static_cast<wxFileOffset>(bytes.size() + 4096), strip, true},
        {"strip cut, length as if whole", cut, static_cast<wxFileOffset>(bytes.size()), "", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        AnnouncingStream input(c.input, c.announced);
        TiffPage page(input);
        ASSERT_TRUE(page.IsOk());
        EXPECT_EQ(page.width, 7u);
        EXPECT_EQ(page.StripsInsideData(), c.okAfterWrite);
        EXPECT_EQ(Written(page), c.written);
        EXPECT_EQ(page.IsOk(), c.okAfterWrite);
    }
}

}  // namespace
