#include "pdf/CompletePdf.h"
#include "pdf/PdfWriter.h"
#include "pdf/TiffPage.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/TempHome.h"
#include "tests/pdf/PdfTestSupport.h"
#include "tests/pdf/TiffBytes.h"

#include <gtest/gtest.h>
#include <wx/log.h>

#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string letterG4 = PageFile(612, 792, 4, "G4DATA");

class PdfWriterTest : public ::testing::Test
{
protected:
    std::string PathOf(const std::string& name) const { return home.Dir("out") + "/" + name; }

    // Writes a document of the given pages and returns the file's bytes.
    std::string Document(const std::vector<std::string>& pages, const std::string& name = "doc.pdf",
                         const PdfWriter::Options& options = {})
    {
        const std::string path = PathOf(name);
        PdfWriter writer(path, static_cast<int>(pages.size()), options);
        EXPECT_TRUE(writer.IsOk()) << writer.GetError();
        for (const std::string& page : pages)
            EXPECT_TRUE(AddBytes(writer, page)) << writer.GetError();
        EXPECT_TRUE(writer.Close());
        return ReadFile(path);
    }

    TempHome home;
};

TEST_F(PdfWriterTest, HeaderCatalogAndInfoAreExact)
{
    const std::string pdf = Document({letterG4}, "5123456.pdf");
    const std::string expected =
        "%PDF-1.1 \r\n%\xE2\xE3\xCF\xD3\r\n"
        "1 0 obj\r\n<< \r\n/Type /Catalog\r\n/Pages 3 0 R\r\n>>\r\nendobj\r\n"
        "2 0 obj\r\n<< \r\n/Producer (FolioHarvester)\r\n/Title (5123456)\r\n>>\r\nendobj\r\n"
        "3 0 obj\r\n<< \r\n/Type /Pages\r\n/Kids [ 4 0 R]\r\n/Count 1\r\n>>\r\nendobj\r\n";
    ASSERT_GE(pdf.size(), expected.size());
    EXPECT_EQ(pdf.substr(0, expected.size()), expected);
    EXPECT_EQ(ObjectPosition(pdf, 1), 18u);
    EXPECT_EQ(ObjectPosition(pdf, 2), 74u);
}

TEST_F(PdfWriterTest, OnePageIsExactToTheByte)
{
    const std::string pdf = Document({letterG4});
    const size_t page = ObjectPosition(pdf, 4);
    ASSERT_NE(page, std::string::npos);
    const std::string expected =
        "4 0 obj\r\n<< \r\n/Type /Page\r\n/Parent 3 0 R \r\n/MediaBox [0.0000 0.0000 612 792]\r\n"
        "/Contents 5 0 R \r\n/Resources << \r\n/XObject << \r\n/Im1 6 0 R >>\r\n"
        "/ProcSet [ /ImageB ]\r\n>>\r\n>>\r\nendobj\r\n"
        "5 0 obj\r\n<< \r\n/Length 61 \r\n>>\r\n"
        "stream\r\nq  612.0000 0.0000 0.0000 792.0000 0.0000 0.0000 cm /Im1 Do Q\r\nendstream\r\nendobj\r\n"
        "6 0 obj\r\n<< \r\n/Length 7 0 R\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im1\r\n"
        "/Width 612\r\n/Height 792\r\n/BitsPerComponent 1\r\n/ColorSpace /DeviceGray\r\n"
        "/Filter /CCITTFaxDecode /DecodeParms << /K -1 /Columns 612 /Rows 792 >>\r\n >>\r\n"
        "stream\r\nG4DATA\r\nendstream\r\nendobj\r\n"
        "7 0 obj\r\n6\r\nendobj\r\n"
        "xref\r\n0 8\r\n0000000000 65535 f\r\n";
    EXPECT_EQ(pdf.substr(page, expected.size()), expected);
}

TEST_F(PdfWriterTest, CrossReferenceAndTrailerOfThreePages)
{
    const std::string pdf = Document({letterG4, letterG4, letterG4});

    EXPECT_NE(pdf.find("/Kids [ 4 0 R 8 0 R 12 0 R]\r\n/Count 3\r\n"), std::string::npos);

    const std::vector<std::string> entries = XrefEntries(pdf);
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[0], "0000000000 65535 f\r\n");
    size_t previous = 0;
    for (int n = 1; n <= 15; ++n)
    {
        SCOPED_TRACE(n);
        const size_t at = ObjectPosition(pdf, n);
        ASSERT_NE(at, std::string::npos);
        EXPECT_GT(at, previous);  // objects in increasing number order
        previous = at;
        char entry[21];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", at);
        EXPECT_EQ(entries[n], entry);
    }

    const size_t xref = pdf.rfind("\r\nxref\r\n") + 2;
    const std::string tail = "trailer\r\n<< \r\n/Size 16\r\n/Root 1 0 R\r\n/Info 2 0 R\r\n>>\r\nstartxref\r\n"
        + std::to_string(xref) + "\r\n%%EOF";
    ASSERT_GE(pdf.size(), tail.size());
    EXPECT_EQ(pdf.substr(pdf.size() - tail.size()), tail);  // "%%EOF" last, no line end
    EXPECT_EQ(xref + 6 + 6 + 16 * 20, pdf.size() - tail.size());
}

TEST_F(PdfWriterTest, EveryLineEndIsCrLf)
{
    const std::string pdf = Document({letterG4, PageFile(100, 50, 3, "G3")});
    for (size_t at = pdf.find('\n'); at != std::string::npos; at = pdf.find('\n', at + 1))
        ASSERT_EQ(pdf[at - 1], '\r') << "bare line feed at " << at;
}

TEST_F(PdfWriterTest, ContentLengthGrowsWithTheImageNumber)
{
    const std::vector<std::string> pages(100, letterG4);
    const std::string pdf = Document(pages);
    const struct
    {
        int page;
        size_t length;
    } cases[] = {{1, 61}, {10, 62}, {100, 63}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.page);
        const size_t object = ObjectPosition(pdf, 4 * c.page + 1);
        ASSERT_NE(object, std::string::npos);
        const std::string lengthLine = "/Length " + std::to_string(c.length) + " \r\n";
        EXPECT_EQ(pdf.find(lengthLine, object), pdf.find("/Length", object));
        const size_t start = pdf.find("stream\r\n", object) + 8;
        const size_t end = pdf.find("\r\nendstream", start);
        EXPECT_EQ(end - start, c.length);
        EXPECT_EQ(pdf.substr(start, 3), "q  ");
        const std::string tail = "/Im" + std::to_string(c.page) + " Do Q";
        EXPECT_EQ(pdf.substr(end - tail.size(), tail.size()), tail);
    }
}

TEST_F(PdfWriterTest, MediaBoxFitsTheSheetAtTheImageAspect)
{
    const struct
    {
        uint32_t w, h;
        const char* box;
    } cases[] = {
        {1203, 1203, "612 612"},          {1001, 2002, "396 792"},   {612, 792, "612 792"},
        {2402, 1201, "612 306"},          {2550, 3300, "612 792"},   {1, 100000, "1 792"},
        {100000, 1, "612 1"},             {100000, 100000, "612 612"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.box);
        const std::string pdf = Document({PageFile(c.w, c.h, 4)});
        EXPECT_NE(pdf.find(std::string("/MediaBox [0.0000 0.0000 ") + c.box + "]\r\n"), std::string::npos);
        const std::string wh = c.box;
        const std::string w = wh.substr(0, wh.find(' ')), h = wh.substr(wh.find(' ') + 1);
        EXPECT_NE(pdf.find("q  " + w + ".0000 0.0000 0.0000 " + h + ".0000 0.0000 0.0000 cm"), std::string::npos);
    }
}

struct ResolutionCase
{
    const char* name;
    bool bigEndian;
    uint32_t width, length;
    TiffPage::Rational x, y;  // 0/0: no entry
    uint32_t unit;            // 0: no entry
    bool defaultsWritten;     // BitsPerSample 1, FillOrder 1 and T6Options 0 present
    const char* box;
};

// A G4 page with the resolution entries of `c`: the rationals, then `strip`.
std::string ResolvedPage(const ResolutionCase& c, const std::string& strip)
{
    std::vector<TiffEntry> entries = {{256, 3, 1, c.width}, {257, 3, 1, c.length}, {259, 3, 1, 4},
                                      {262, 3, 1, 0},       {273, 4, 1, 0},        {279, 4, 1, uint32_t(strip.size())}};
    for (const auto& [tag, rational] : {std::pair{282, c.x}, std::pair{283, c.y}})
        if (rational.numerator != 0 || rational.denominator != 0)
            entries.push_back({uint16_t(tag), 5, 1, 0});
    if (c.unit != 0)
        entries.push_back({296, 3, 1, c.unit});
    if (c.defaultsWritten)
        entries.insert(entries.end(), {{258, 3, 1, 1}, {266, 3, 1, 1}, {293, 4, 1, 0}});
    std::string data;
    for (TiffEntry& e : entries)
        if (e.type == 5)
        {
            const TiffPage::Rational r = e.tag == 282 ? c.x : c.y;
            e.value = DataOffset(entries.size()) + uint32_t(data.size());
            Put32(data, r.numerator, c.bigEndian);
            Put32(data, r.denominator, c.bigEndian);
        }
    entries[4].value = DataOffset(entries.size()) + uint32_t(data.size());
    return TiffFile(entries, data + strip, c.bigEndian);
}

TEST_F(PdfWriterTest, PageSizeFromTheResolutionPerAxis)
{
    const TiffPage::Rational a4x{25920, 210}, a4y{35080, 297}, none{0, 0};
    const ResolutionCase cases[] = {
        {"A4 as the EPO serves it", true, 2592, 3508, a4x, a4y, 3, false, "595 842"},
        {"A4, little-endian", false, 2592, 3508, a4x, a4y, 3, true, "595 842"},
        {"letter in inches", true, 1700, 2200, {200, 1}, {200, 1}, 2, true, "612 792"},
        {"fax resolution", false, 1728, 2200, {204, 1}, {196, 1}, 2, false, "610 808"},
        {"no unit means inches", false, 300, 600, {100, 1}, {200, 1}, 0, false, "216 216"},
        {"half a point rounds up", true, 101, 202, {144, 1}, {144, 1}, 2, false, "51 101"},
        {"unit without measure", true, 2592, 3508, a4x, a4y, 1, false, "585 792"},
        {"no resolution", true, 2592, 3508, none, none, 3, false, "585 792"},
        {"only one axis", false, 2592, 3508, a4x, none, 3, false, "585 792"},
        {"zero denominator", true, 2592, 3508, {25920, 0}, a4y, 3, false, "585 792"},
        {"page wider than readers take", false, 2592, 3508, {1, 1}, {1, 1}, 2, false, "585 792"},
    };
    const std::string strip = "G4\r\nSTRIP";
    for (const ResolutionCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        PdfWriter::Options options;
        options.pageSizeFromResolution = true;
        const std::string pdf = Document({ResolvedPage(c, strip)}, "sized.pdf", options);
        EXPECT_NE(pdf.find(std::string("/MediaBox [0.0000 0.0000 ") + c.box + "]\r\n"), std::string::npos);
        EXPECT_NE(pdf.find("/Width " + std::to_string(c.width) + "\r\n/Height " + std::to_string(c.length)
                           + "\r\n/BitsPerComponent 1\r\n"),
                  std::string::npos);
        EXPECT_NE(pdf.find("stream\r\n" + strip + "\r\nendstream\r\nendobj\r\n7 0 obj\r\n9\r\n"),
                  std::string::npos);
        if (ToolExists("qpdf"))
        {
            EXPECT_EQ(RunTool("qpdf --check '" + PathOf("sized.pdf") + "'", home.Path() + "/qpdf.log"), 0);
        }
    }
    // Without the option the resolution is not used.
    const std::string classic = Document({ResolvedPage(cases[0], strip)});
    EXPECT_NE(classic.find("/MediaBox [0.0000 0.0000 585 792]\r\n"), std::string::npos);
}

TEST_F(PdfWriterTest, OutlineEntriesGoToTheirPages)
{
    ASSERT_TRUE(ToolExists("qpdf") && ToolExists("python3"))
        << "qpdf and python3 read the outline back (scripts/install-deps.sh --test)";
    PdfWriter::Options options;
    options.outline = {{"Bibliography", 1},   {"Abstract", 1},         {"Claims", 3},
                       {"Description", 2},    {"Beyond the end", 4},   {"Before the start", 0},
                       {wxString::FromUTF8("Zeichnungen (\xC3\xBC)"), 3}};
    const std::string pdf = Document({letterG4, letterG4, letterG4}, "outlined.pdf", options);
    EXPECT_EQ(pdf.substr(0, 9), "%PDF-1.2 ");  // Unicode titles came with 1.2
    EXPECT_NE(pdf.find("/Pages 3 0 R\r\n/Outlines 16 0 R\r\n/PageMode /UseOutlines\r\n>>"), std::string::npos);
    const std::string log = home.Path() + "/qpdf.log";
    EXPECT_EQ(RunTool("qpdf --check '" + PathOf("outlined.pdf") + "'", log), 0) << ReadFile(log);
    const std::string read = "qpdf --json --json-key=outlines '" + PathOf("outlined.pdf")
        + "' | python3 -c 'import json, sys\n"
          "for o in json.load(sys.stdin)[\"outlines\"]: print(o[\"title\"], o[\"destpageposfrom1\"])'";
    ASSERT_EQ(RunTool(read, log), 0) << ReadFile(log);
    EXPECT_EQ(ReadFile(log),
              "Bibliography 1\nAbstract 1\nDescription 2\nClaims 3\nZeichnungen (\xC3\xBC) 3\n");
}

TEST_F(PdfWriterTest, MissingBitsPerSampleMeansOneBit)
{
    const std::string pdf = Document({PageFile(1728, 300, 3, "xy", 0, 0)});
    EXPECT_NE(pdf.find("/Width 1728\r\n/Height 300\r\n/BitsPerComponent 1\r\n"), std::string::npos);
    EXPECT_NE(pdf.find("stream\r\nxy\r\nendstream\r\nendobj\r\n7 0 obj\r\n2\r\nendobj\r\n"), std::string::npos);
}

TEST_F(PdfWriterTest, FaxKFollowsCompressionAndT4Options)
{
    const struct
    {
        uint32_t compression;
        uint32_t t4Options;
        const char* k;
    } cases[] = {
        {4, 0, "/K -1 "}, {4, 1, "/K -1 "}, {3, 0, "/K 0 "}, {3, 4, "/K 0 "}, {3, 1, "/K 1 "}, {3, 5, "/K 1 "},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.compression) + "/" + std::to_string(c.t4Options));
        const uint32_t base = DataOffset(7);
        const std::string page = TiffFile({{256, 4, 1, 8}, {257, 4, 1, 8}, {259, 3, 1, c.compression},
                                           {262, 3, 1, 0}, {273, 4, 1, base}, {279, 4, 1, 2},
                                           {292, 4, 1, c.t4Options}},
                                          "ab");
        const std::string pdf = Document({page});
        EXPECT_NE(pdf.find(std::string("/DecodeParms << ") + c.k + "/Columns 8 /Rows 8 >>"), std::string::npos);
    }
}

TEST_F(PdfWriterTest, StripsAreCopiedInOrderAndTheirSumIsTheLength)
{
    const uint32_t base = DataOffset(6);
    const std::string twoStrips = TiffFile({{256, 4, 1, 8}, {257, 4, 1, 8}, {259, 3, 1, 3}, {262, 3, 1, 0},
                                            {273, 3, 2, (base + 4) | (base << 16)}, {279, 3, 2, 3 | (4 << 16)}},
                                           "ABCDEFG");
    const std::string pdf = Document({twoStrips});
    EXPECT_NE(pdf.find("stream\r\nEFGABCD\r\nendstream\r\nendobj\r\n7 0 obj\r\n7\r\nendobj\r\n"), std::string::npos);
}

struct FatalCase
{
    const char* name;
    std::string page;
    const char* error;
};

TEST_F(PdfWriterTest, UnsupportedPagesEndTheDocument)
{
    const uint32_t base = DataOffset(6);
    const FatalCase cases[] = {
        {"uncompressed", PageFile(612, 792, 1), "Compression unsupported!"},
        {"packbits", PageFile(612, 792, 32773), "Compression unsupported!"},
        {"no compression tag", PageFile(612, 792, 0), "Compression unsupported!"},
        {"black is zero", PageFile(612, 792, 4, "x", 1), "Colorspace unsupported!"},
        {"photometric before compression", PageFile(612, 792, 1, "x", 1), "Colorspace unsupported!"},
        {"strips stored elsewhere",
         TiffFile({{256, 4, 1, 8}, {257, 4, 1, 8}, {259, 3, 1, 4}, {262, 3, 1, 0}, {273, 4, 3, base},
                   {279, 4, 3, base}}, "0123456789ab"),
         "Strip layout unsupported!"},
    };
    for (const FatalCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = PathOf("fatal.pdf");
        {
            PdfWriter writer(path, 2);
            ASSERT_TRUE(AddBytes(writer, letterG4));
            EXPECT_FALSE(AddBytes(writer, c.page));
            EXPECT_FALSE(writer.IsOk());
            EXPECT_EQ(writer.GetError(), c.error);
            EXPECT_FALSE(AddBytes(writer, letterG4));  // no longer usable
            EXPECT_EQ(writer.GetError(), c.error);
            EXPECT_FALSE(writer.Close());
        }
        EXPECT_FALSE(FileExists(path));
    }
}

TEST_F(PdfWriterTest, UnreadablePagesCanBeRetriedWithTheSameObjectNumbers)
{
    const uint32_t base = DataOffset(6);
    const FatalCase cases[] = {
        {"html page", "<html><head><title>500</title></head></html>", "Not a tiff image? 116"},
        {"truncated tiff", letterG4.substr(0, 20), " reading ifd!"},
        {"zero width and length", PageFile(0, 0, 4), " image width or length is 0!"},
        {"zero width", PageFile(0, 792, 4), " image width or length is 0!"},
        {"zero length", PageFile(612, 0, 4), " image width or length is 0!"},
        {"wider than any scan", PageFile(100001, 792, 4), " image width or length over 100000!"},
        {"longer than any scan", PageFile(612, 0xFFFFFFFF, 4), " image width or length over 100000!"},
        {"strip past the end", letterG4.substr(0, letterG4.size() - 1), " image strips outside the data!"},
        {"offsets without counts",
         TiffFile({{256, 4, 1, 8}, {257, 4, 1, 8}, {259, 3, 1, 4}, {262, 3, 1, 0}, {273, 4, 1, base},
                   {282, 4, 1, 1}}, "ab"),
         " image strips outside the data!"},
    };
    for (const FatalCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        RecordingLog log;
        const std::string path = PathOf("retry.pdf");
        {
            PdfWriter writer(path, 2);
            ASSERT_TRUE(AddBytes(writer, letterG4));
            EXPECT_FALSE(AddBytes(writer, c.page));
            EXPECT_TRUE(writer.IsOk());
            EXPECT_EQ(writer.GetError(), c.error);
            // The writer runs in job threads, where a logged error would
            // raise a message box.
            EXPECT_TRUE(log.Errors().empty());
            EXPECT_TRUE(AddBytes(writer, PageFile(612, 792, 3, "SECOND")));
            EXPECT_TRUE(writer.Close());
        }
        const std::string pdf = ReadFile(path);
        const std::vector<std::string> entries = XrefEntries(pdf);
        ASSERT_EQ(entries.size(), 12u);
        for (int n = 1; n <= 11; ++n)
            EXPECT_EQ(std::stoul(entries[n].substr(0, 10)), ObjectPosition(pdf, n)) << n;
        EXPECT_NE(pdf.find("8 0 obj\r\n<< \r\n/Type /Page\r\n"), std::string::npos);
        EXPECT_NE(pdf.find("/Name /Im2\r\n"), std::string::npos);
        EXPECT_NE(pdf.find("stream\r\nSECOND\r\nendstream"), std::string::npos);
        EXPECT_EQ(pdf.find("Im3"), std::string::npos);
    }
}

TEST_F(PdfWriterTest, IncompleteDocumentsLeaveNoFile)
{
    const std::string path = PathOf("incomplete.pdf");
    {
        PdfWriter writer(path, 3);
        ASSERT_TRUE(AddBytes(writer, letterG4));
        ASSERT_TRUE(AddBytes(writer, letterG4));
        // Written under a hidden name meanwhile, never under the final one.
        EXPECT_FALSE(FileExists(path));
        EXPECT_TRUE(FileExists(PdfWriter::TempPathFor(path).utf8_string()));
    }
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(PdfWriter::TempPathFor(path).utf8_string()));

    {
        PdfWriter writer(path, 3);
        ASSERT_TRUE(AddBytes(writer, letterG4));
        EXPECT_FALSE(writer.Close());
        EXPECT_FALSE(writer.Close());
    }
    EXPECT_FALSE(FileExists(path));

    {
        PdfWriter writer(path, 1);
        ASSERT_TRUE(AddBytes(writer, letterG4));
        EXPECT_FALSE(AddBytes(writer, letterG4));  // more pages than announced: the page is refused
    }
    const std::string pdf = ReadFile(path);
    EXPECT_EQ(pdf.substr(pdf.size() - 5), "%%EOF");
    EXPECT_EQ(XrefEntries(pdf).size(), 8u);
}

TEST_F(PdfWriterTest, ASecondWriterOfTheSameNameIsRefusedWhileTheFirstWrites)
{
    const std::string path = PathOf("twice.pdf");
    PdfWriter first(path, 1);
    ASSERT_TRUE(first.IsOk());
    {
        PdfWriter second(path, 1);
        EXPECT_FALSE(second.IsOk());
        EXPECT_EQ(second.GetError(), "Creating PDF: .twice.pdf.part is being written by another download");
    }
    ASSERT_TRUE(AddBytes(first, letterG4));
    EXPECT_TRUE(first.Close());
    EXPECT_TRUE(IsCompletePdf(path));
}

TEST_F(PdfWriterTest, OnlyAWholeDocumentCountsAsComplete)
{
    const std::string whole = Document({letterG4});
    const struct
    {
        const char* name;
        std::string bytes;
        bool complete;
    } cases[] = {
        {"as written", whole, true},
        {"line ends and blanks after the end mark", whole + "\r\n \n", true},
        {"empty", "", false},
        {"header only", whole.substr(0, 20), false},
        {"cut inside the trailer", whole.substr(0, whole.size() - 1), false},
        {"no offset after startxref", "%PDF-1.1\nstartxref\n%%EOF\n", false},
        {"not a PDF at its start", "<html>" + whole, false},
        {"bytes after the end mark", whole + "\r\n1 0 obj", false},
    };
    const std::string path = PathOf("check.pdf");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteFile(path, c.bytes);
        EXPECT_EQ(IsCompletePdf(path), c.complete);
    }
    EXPECT_FALSE(IsCompletePdf(PathOf("missing.pdf")));
    EXPECT_FALSE(IsCompletePdf(home.Dir("folder.pdf")));
}

TEST_F(PdfWriterTest, DestructorFinishesACompleteDocument)
{
    const std::string path = PathOf("finished.pdf");
    {
        PdfWriter writer(path, 1);
        ASSERT_TRUE(AddBytes(writer, letterG4));
    }
    const std::string pdf = ReadFile(path);
    EXPECT_EQ(pdf.substr(pdf.size() - 5), "%%EOF");
    PdfWriter again(path, 1);
    ASSERT_TRUE(AddBytes(again, letterG4));
    EXPECT_TRUE(again.Close());
    EXPECT_TRUE(again.Close());  // closing twice keeps the answer
    EXPECT_EQ(ReadFile(path), pdf);
}

TEST_F(PdfWriterTest, OpeningFailuresCreateNothingAndDeleteNothing)
{
    const std::string folder = home.Dir("existing-folder");
    const std::string keep = PathOf("keep.pdf");
    WriteFile(keep, "someone else's bytes");
    struct Case
    {
        std::string path;
        int pages;
        const char* error;
    };
    std::vector<Case> cases = {
        {home.Path() + "/missing/folder/doc.pdf", 1, "Creating PDF: No such file or directory"},
        {folder, 1, "Creating PDF: existing-folder is a folder"},
        {keep, 0, "Invalid page count"},
        {keep, -5, "Invalid page count"},
        {keep, 1000000000, "Invalid page count"},
    };
#ifndef _WIN32  // symbolic links need privileges there
    const std::string symlinked = PathOf("linked.pdf");
    ASSERT_EQ(symlink(keep.c_str(), PdfWriter::TempPathFor(symlinked).fn_str()), 0);
    cases.push_back({symlinked, 1, "Creating PDF: .linked.pdf.part is a symbolic link"});
#endif
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path + " " + std::to_string(c.pages));
        {
            PdfWriter writer(c.path, c.pages);
            EXPECT_FALSE(writer.IsOk());
            EXPECT_EQ(writer.GetError(), c.error);
            EXPECT_FALSE(AddBytes(writer, letterG4));
            EXPECT_FALSE(writer.Close());
        }
        struct stat info;
        EXPECT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(ReadFile(keep), "someone else's bytes");
    }
}

TEST_F(PdfWriterTest, TitleIsTheEscapedFileName)
{
    const struct
    {
        std::string name;
        const char* title;
    } cases[] = {
        {"5123456.pdf", "/Title (5123456)"},
        {"EP1000000.pdf", "/Title (EP1000000)"},
        {"a(b)c.pdf", "/Title (a\\(b\\)c)"},
#ifndef _WIN32  // a folder's end there
        {"back\\slash).pdf", "/Title (back\\\\slash\\))"},
#endif
        {"x.pdf.pdf", "/Title (x)"},
        {"Upper.PDF", "/Title (Upper.PDF)"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string pdf = Document({letterG4}, c.name);
        EXPECT_NE(pdf.find(std::string(c.title) + "\r\n>>\r\nendobj\r\n"), std::string::npos);
        if (ToolExists("qpdf"))
        {
            EXPECT_EQ(RunTool("qpdf --check '" + PathOf(c.name) + "'", home.Path() + "/qpdf.log"), 0);
        }
    }
    EXPECT_EQ(PdfWriter::MakeTitle("/srv/a.pdf/b/7000100.pdf"), "7000100");
    EXPECT_EQ(PdfWriter::MakeTitle("noslash.pdf"), "noslash");
#ifdef _WIN32
    EXPECT_EQ(PdfWriter::MakeTitle("C:\\dir\\name.pdf"), "name");
#else
    EXPECT_EQ(PdfWriter::MakeTitle("dir\\name.pdf"), "dir\\name");
#endif
}

}  // namespace
