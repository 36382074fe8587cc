// An office's PDF of fax pages read back into its images, and those images
// passed through the writer into a PDF that renders the same pages.
#include "net/HttpSession.h"
#include "pdf/PdfCheck.h"
#include "pdf/PdfFaxPages.h"
#include "pdf/PdfWriter.h"
#include "pdf/TiffPage.h"
#include "tests/pdf/PdfTestSupport.h"
#include "tests/support/OfficeSim.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>
#include <wx/mstream.h>
#include <wx/wfstream.h>

namespace {

// The simulator serves this patent's direct PDF as the pages its classic image server serves.
const std::string patent = "5123456";
const size_t servedPageCount = 3;

std::string Fetch(const OfficeSim& sim, const std::string& service, const std::string& path)
{
    HttpSession session(1, "", "", "", "");
    if (!session.Connect(sim.Host(service)))
        return {};
    std::unique_ptr<wxInputStream> body = session.Request(path);
    std::string bytes;
    if (!body || session.GetStatusCode() != 200)
        return bytes;
    char chunk[65536];
    while (body->Read(chunk, sizeof chunk).LastRead() > 0)
        bytes.append(chunk, body->LastRead());
    return bytes;
}

std::string DirectPdf(const OfficeSim& sim)
{
    return Fetch(sim, "ppubsImages", "/dirsearch-public/print/downloadPdf/" + patent);
}

// The coded strip of a one-strip fax TIFF, as the TIFF reader copies it.
std::string Strip(TiffPage& page)
{
    wxMemoryOutputStream out;
    page.WriteStrips(out);
    std::string bytes(out.GetLength(), '\0');
    out.CopyTo(&bytes[0], bytes.size());
    return bytes;
}

// `pdf` with its first `from` replaced by `to` (of the same length, so the
// cross-reference table stays right).
std::string Edited(std::string pdf, const std::string& from, const std::string& to, size_t after = 0)
{
    const size_t at = pdf.find(from, after);
    if (at != std::string::npos && from.size() == to.size())
        pdf.replace(at, from.size(), to);
    return pdf;
}

class FaxPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Running());
        office = DirectPdf(sim);
        ASSERT_EQ(office.compare(0, 5, "%PDF-"), 0);
    }

    OfficeSim sim;
    TempHome home;
    std::string office;
};

TEST_F(FaxPages, ServedPdfLiftsIntoOurOwnWithTheSameStripsAndPixels)
{
    for (const char* tool : {"qpdf", "pdftoppm", "mutool", "tiffcp", "tifftopnm", "python3"})
        ASSERT_TRUE(ToolExists(tool)) << tool << " is not installed (scripts/install-deps.sh --test)";

    PdfFaxPages lifted(office);
    ASSERT_TRUE(lifted.IsOk()) << lifted.GetError();
    const std::vector<FaxImage>& images = lifted.GetPages();
    ASSERT_EQ(images.size(), servedPageCount);
    std::vector<std::string> servedPages;
    for (size_t n = 1; n <= servedPageCount; ++n)
    {
        servedPages.push_back(home.Path() + "/served-" + std::to_string(n) + ".tif");
        WriteFile(servedPages.back(), Fetch(sim, "patentImages2", "/.DImg?Docid=" + patent + "&PageNum=" +
                                                                      std::to_string(n) + "&IDKey=0"));
    }
    for (size_t i = 0; i < images.size(); ++i)
    {
        wxFileInputStream file(servedPages[i]);
        TiffPage tiff(file);
        ASSERT_TRUE(tiff.IsOk());
        EXPECT_TRUE(*images[i].data == Strip(tiff)) << "page " << i + 1;
        EXPECT_EQ(images[i].columns, tiff.width);
        EXPECT_EQ(images[i].rows, tiff.length);
        EXPECT_EQ(images[i].k, -1);
        EXPECT_FALSE(images[i].blackIs1);
        EXPECT_EQ(images[i].width, 612);
        EXPECT_EQ(images[i].height, 792);
    }

    const std::string pdf = home.Path() + "/lifted.pdf";
    {
        PdfWriter writer(pdf, static_cast<int>(images.size()));
        for (const FaxImage& image : images)
            ASSERT_TRUE(writer.AddFaxPage(image)) << writer.GetError();
        ASSERT_TRUE(writer.Close()) << writer.GetError();
    }
    const std::string log = home.Path() + "/check.log";
    EXPECT_EQ(RunTool("qpdf --check '" + pdf + "'", log), 0) << ReadFile(log);
    std::string tiffs;
    for (size_t n = 1; n <= servedPages.size(); ++n)
    {
        const std::string tiff = servedPages[n - 1];
        tiffs += " '" + tiff + "'";
        EXPECT_EQ(RunTool(pdfChecks + "compare-page '" + tiff + "' '" + pdf + "' " + std::to_string(n)
                              + " --geometry any",
                          log),
                  0)
            << "page " << n << ": " << ReadFile(log);
    }
    EXPECT_EQ(RunTool(pdfChecks + "check-passthrough '" + pdf + "'" + tiffs, log), 0) << ReadFile(log);
    EXPECT_NE(ReadFile(pdf).find("/MediaBox [0.0000 0.0000 612 792]"), std::string::npos);
}

TEST_F(FaxPages, AnythingButFaxPagesIsRefusedInOneLine)
{
    const std::string encrypted = home.Path() + "/encrypted.pdf";
    if (ToolExists("qpdf"))
    {
        WriteFile(home.Path() + "/office.pdf", office);
        RunTool("qpdf --encrypt '' owner 256 -- '" + home.Path() + "/office.pdf' '" + encrypted + "'",
                home.Path() + "/encrypt.log");
    }
    // Page 2 begins after page 1's image stream.
    const size_t secondPage = office.find("/Type /Page ", office.find("endstream", office.find("/Subtype /Image")));
    const struct
    {
        const char* name;
        std::string bytes;
        std::string error;  // a prefix of the error
        bool whole;         // a whole PDF of other pages, to be kept as it came
    } cases[] = {
        {"an HTML page", "<html><body>Request blocked</body></html>", "Not a PDF", false},
        {"nothing", "", "Not a PDF", false},
        {"a truncated file", office.substr(0, office.size() / 2), "Damaged PDF", false},
        {"a JPEG page", Edited(office, "/CCITTFaxDecode", "/DCTDecode     "),
         "Page 1 of the PDF: its image is not CCITT fax data (DCTDecode)", true},
        {"a page without an image", Edited(office, "/Subtype /Image", "/Subtype /Form ", secondPage),
         "Page 2 of the PDF: it has 0 images, not one", true},
        {"an inverted image", Edited(office, "/BitsPerComponent 1 ", "/Decode [1 0]       "),
         "Page 1 of the PDF: its image is drawn inverted", true},
        {"an image wider than its fax data", Edited(office, "/Width 2", "/Width 3"),
         "Page 1 of the PDF: its image's size is not its fax data's", true},
        {"an encrypted file", ReadFile(encrypted), "Encrypted PDF", false},
    };
    for (const auto& c : cases)
    {
        PdfFaxPages pages(c.bytes);
        EXPECT_FALSE(pages.IsOk()) << c.name;
        EXPECT_TRUE(pages.GetPages().empty()) << c.name;
        EXPECT_TRUE(pages.GetError().StartsWith(c.error)) << c.name << ": " << pages.GetError();
        EXPECT_EQ(pages.GetError().Find('\n'), wxNOT_FOUND) << c.name;
        int pageCount = 0;
        wxString error;
        EXPECT_EQ(CheckWholePdf(c.bytes, pageCount, error), c.whole) << c.name << ": " << error;
        if (!c.whole)
            continue;
        EXPECT_EQ(pageCount, 3) << c.name;
        const std::string kept = home.Path() + "/kept.pdf";
        EXPECT_TRUE(PdfWriter(kept, c.bytes).Close()) << c.name;
        EXPECT_TRUE(ReadFile(kept) == c.bytes) << c.name;
    }
}

TEST_F(FaxPages, AnImageThatCannotMakeAPageLeavesTheWriterUsable)
{
    PdfFaxPages lifted(office);
    ASSERT_TRUE(lifted.IsOk()) << lifted.GetError();
    FaxImage tooWide = lifted.GetPages()[0];
    tooWide.width = 20000;
    FaxImage empty = lifted.GetPages()[0];
    empty.data = std::make_shared<const std::string>();
    FaxImage noScan = lifted.GetPages()[0];
    noScan.rows = 100001;

    const std::string pdf = home.Path() + "/one.pdf";
    PdfWriter writer(pdf, 1);
    EXPECT_FALSE(writer.AddFaxPage(tooWide));
    EXPECT_EQ(writer.GetError(), "Page size unsupported!");
    EXPECT_FALSE(writer.AddFaxPage(empty));
    EXPECT_EQ(writer.GetError(), "Empty fax image");
    EXPECT_FALSE(writer.AddFaxPage(noScan));
    EXPECT_EQ(writer.GetError(), "Fax image width or length over 100000");
    EXPECT_TRUE(writer.IsOk());
    EXPECT_TRUE(writer.AddFaxPage(lifted.GetPages()[0])) << writer.GetError();
    EXPECT_TRUE(writer.Close());
}

}  // namespace
