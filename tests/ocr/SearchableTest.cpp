// `folioharvester-cli ocr` on PDFs our writer made: a US document of the
// simulator's pages with a real patent page, made searchable once for the
// suite and checked with qpdf, a renderer and pdftotext; and files it must
// leave as they are.
#include "pdf/PdfWriter.h"
#include "tests/pdf/PdfTestSupport.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <wx/wfstream.h>

#include <cstdlib>
#include <regex>
#include <sstream>

namespace {

const std::string simPages = FH_SOURCE_DIR "/tools/office-sim/pages/";
const std::string scannedPage = FH_TEST_DATA "/ocr/us6672749-front-page.tif";

// `page` of the simulator headed as the simulator heads what it serves.
void Headed(const std::string& page, const std::string& heading, const std::string& out)
{
    const std::string script = "import sys; sys.path.insert(0, '" FH_SOURCE_DIR "/tools/office-sim'); "
                               "from officesim import heading; "
                               "open(sys.argv[3], 'wb').write(heading.stamp_page(open(sys.argv[1], 'rb').read(), "
                               "sys.argv[2]))";
    ASSERT_EQ(RunTool("python3 -c \"" + script + "\" '" + page + "' '" + heading + "' '" + out + "'", out + ".log"), 0)
        << ReadFile(out + ".log");
}

void WritePdf(const std::string& pdf, const std::vector<std::string>& pages)
{
    PdfWriter writer(pdf, static_cast<int>(pages.size()));
    for (const std::string& page : pages)
    {
        wxFileInputStream input(page);
        ASSERT_TRUE(writer.AddPage(input)) << page << ": " << writer.GetError();
    }
    ASSERT_TRUE(writer.Close());
}

// Each page's image: its dictionary but for the length, and its stored bytes.
std::vector<std::string> Images(const std::string& path)
{
    QPDF pdf;
    pdf.processFile(path.c_str());
    std::vector<std::string> images;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages())
        for (auto& [name, image] : page.getImages())
        {
            std::string entry = name;
            for (const std::string& key : image.getDict().getKeys())
                if (key != "/Length")
                    entry += key + "=" + image.getDict().getKey(key).unparse();
            const std::shared_ptr<Buffer> data = image.getRawStreamData();
            images.push_back(entry + "|" + std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()));
        }
    return images;
}

std::string Text(const std::string& pdf, int page, const std::string& options = "")
{
    const std::string out = pdf + ".txt";
    EXPECT_EQ(RunTool("pdftotext " + options + " -f " + std::to_string(page) + " -l " + std::to_string(page) + " '"
                          + pdf + "' '" + out + "'",
                      out + ".log"),
              0);
    EXPECT_EQ(ReadFile(out + ".log"), "") << "pdftotext complained";
    return ReadFile(out);
}

std::string Words(const std::string& text)
{
    std::istringstream in(text);
    std::string word, words;
    while (in >> word)
        words += (words.empty() ? "" : " ") + word;
    return words;
}

class Searchable : public testing::Test
{
protected:
    // The document as our writer makes it, then made searchable in place.
    static void SetUpTestSuite()
    {
        for (const char* tool : {"qpdf", "pdftoppm", "pdftotext", "python3"})
            ASSERT_TRUE(ToolExists(tool)) << tool << " is not installed (scripts/install-deps.sh --test)";
        home = new TempHome;
        const std::string dir = home->Dir("doc");
        Headed(simPages + "g4-2.tif", "US5123456  PAGE 1 OF 3", dir + "/page1.tif");
        Headed(simPages + "odd-1.tif", "US5123456  PAGE 2 OF 3", dir + "/page2.tif");
        plain = dir + "/plain.pdf";
        WritePdf(plain, {dir + "/page1.tif", dir + "/page2.tif", scannedPage});
        searchable = dir + "/5123456.pdf";
        WriteFile(searchable, ReadFile(plain));
        CliProcess ocr({"ocr", "5123456.pdf"}, dir);
        exitCode = ocr.Finish(120000);
        output = ocr.Output();
        errors = ocr.Errors();
    }
    static void TearDownTestSuite()
    {
        delete home;
        home = nullptr;
    }

    void SetUp() override
    {
        ASSERT_EQ(exitCode, 0) << errors;
        ASSERT_EQ(output, Lines{"5123456.pdf: made searchable"});
    }

    static inline TempHome* home = nullptr;
    static inline std::string plain;
    static inline std::string searchable;
    static inline int exitCode = -1;
    static inline Lines output;
    static inline std::string errors;
};

TEST_F(Searchable, ImagesUnchangedAndPagesRenderAsBefore)
{
    const std::string log = home->Path() + "/check.log";
    EXPECT_EQ(RunTool("qpdf --check '" + searchable + "'", log), 0) << ReadFile(log);
    const std::vector<std::string> before = Images(plain);
    EXPECT_EQ(before.size(), 3u);
    EXPECT_TRUE(Images(searchable) == before) << "an image changed";
    for (const std::string& pdf : {plain, searchable})
        ASSERT_EQ(RunTool("pdftoppm -r 30 -gray '" + pdf + "' '" + pdf + "'", log), 0) << ReadFile(log);
    for (int page = 1; page <= 3; ++page)
    {
        const std::string image = "-" + std::to_string(page) + ".pgm";
        EXPECT_TRUE(ReadFile(plain + image) == ReadFile(searchable + image)) << "page " << page << " renders otherwise";
    }
}

TEST_F(Searchable, HeadingsReadInOrder)
{
    EXPECT_EQ(Words(Text(plain, 1)), "");
    for (int page = 1; page <= 2; ++page)
    {
        const std::string heading = "US5123456 PAGE " + std::to_string(page) + " OF 3";
        EXPECT_NE(Words(Text(searchable, page)).find(heading), std::string::npos) << Text(searchable, page);
    }
}

TEST_F(Searchable, PatentPagesFirstLinesFoundEachWordInsideThePage)
{
    const std::string layout = Text(searchable, 3, "-bbox");
    std::smatch size;
    ASSERT_TRUE(std::regex_search(layout, size, std::regex("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\"")));
    const double width = std::stod(size[1]), height = std::stod(size[2]);
    const std::regex word("<word xMin=\"([0-9.-]+)\" yMin=\"([0-9.-]+)\" xMax=\"([0-9.-]+)\" yMax=\"([0-9.-]+)\">"
                          "([^<]*)</word>");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(layout.begin(), layout.end(), word); it != std::sregex_iterator(); ++it)
    {
        const std::smatch& w = *it;
        found.push_back(w[5]);
        EXPECT_TRUE(std::stod(w[1]) >= 0 && std::stod(w[2]) >= 0 && std::stod(w[3]) <= width
                    && std::stod(w[4]) <= height && std::stod(w[1]) < std::stod(w[3]))
            << w[0];
    }
    for (const char* first : {"United", "States", "Patent", "Nicholls", "et", "al.", "No.:", "US", "6,672,749", "B2",
                              "Date", "of", "Patent:", "Jan.", "6,", "2004"})
        EXPECT_NE(std::find(found.begin(), found.end(), first), found.end()) << first;
}

// Our first page with its text and our second without: only the second is
// recognised, the first keeps its one layer.
TEST_F(Searchable, RecognisesOnlyPagesWithoutText)
{
    const std::string dir = home->Dir("mixed");
    const std::string mixed = dir + "/5123456.pdf";
    ASSERT_EQ(RunTool("qpdf --empty --pages '" + searchable + "' 1 '" + plain + "' 2 -- '" + mixed + "'",
                      mixed + ".log"),
              0)
        << ReadFile(mixed + ".log");
    const std::string first = Words(Text(mixed, 1));
    EXPECT_EQ(Words(Text(mixed, 2)), "");
    CliProcess ocr({"ocr", "5123456.pdf"}, dir);
    EXPECT_EQ(ocr.Finish(60000), 0) << ocr.Errors();
    EXPECT_EQ(Words(Text(mixed, 1)), first);
    EXPECT_NE(Words(Text(mixed, 2)).find("US5123456 PAGE 2 OF 3"), std::string::npos) << Text(mixed, 2);
}

// Files the command leaves as they are, one line each, in one run.
TEST_F(Searchable, LeavesAloneWhatHasTextOrIsNotOurs)
{
    const std::string dir = home->Dir("others");
    WriteFile(dir + "/5123456.pdf", ReadFile(searchable));
    WritePdf(dir + "/letter.pdf", {FH_TEST_DATA "/pdf/g4-letter.tif"});
    WriteFile(dir + "/JP2004123456.pdf", ReadFile(dir + "/letter.pdf"));
    // The same page drawn at half its height: not how our writer draws it.
    std::string drawn = ReadFile(dir + "/letter.pdf");
    const size_t height = drawn.find(" 792.0000 0.0000 0.0000 cm");
    ASSERT_NE(height, std::string::npos);
    drawn.replace(height, 9, " 396.0000");
    WriteFile(dir + "/drawn.pdf", drawn);
    WriteFile(dir + "/notes.pdf", "US 5,123,456: claims 1-3\n");
    std::map<std::string, std::string> before;
    for (const std::string& file : FilesIn(dir))
        before[file] = ReadFile(dir + "/" + file);

    // No language packs at all: a Japanese document is not recognised.
    setenv("TESSDATA_PREFIX", home->Dir("no-languages").c_str(), 1);
    CliProcess ocr({"ocr", "5123456.pdf", "drawn.pdf", "notes.pdf", "JP2004123456.pdf"}, dir);
    unsetenv("TESSDATA_PREFIX");
    EXPECT_EQ(ocr.Finish(60000), 1);
    EXPECT_EQ(ocr.Output(), Lines{"5123456.pdf: already searchable, left as it is"});
    EXPECT_EQ(ocr.Errors(),
              "drawn.pdf: Not a FolioHarvester PDF: page 1 draws more than its fax image, left as it is\n"
              "notes.pdf: Not a PDF, left as it is\n"
              "JP2004123456.pdf: no Japanese OCR language installed, left as it is\n");
    for (const std::string& file : FilesIn(dir))
        EXPECT_TRUE(before.count(file) && before[file] == ReadFile(dir + "/" + file)) << file << " changed";
}

}  // namespace
