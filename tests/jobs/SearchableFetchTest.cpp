// Downloads made searchable by `folioharvester-cli fetch --ocr` (or the
// stored ocr=1) on the program's default routes: a US document from Patent
// Public Search and an EP document from OPS 3.2 keep the served images and
// render as before while pdftotext finds their headings; a stop during
// recognition leaves the plain PDF; documents that get no new text say why.
#include "CliProcess.h"
#include "SimFixture.h"

#include <csignal>
#include <sstream>

namespace {

// The words pdftotext finds on page `page` of `pdf`, one blank apart.
std::string Words(const std::string& pdf, int page)
{
    const std::string pages = " -f " + std::to_string(page) + " -l " + std::to_string(page);
    std::istringstream in(Shell("pdftotext" + pages + " '" + pdf + "' -"));
    std::string word, words;
    while (in >> word)
        words += (words.empty() ? "" : " ") + word;
    return words;
}

// Page `page` of `pdf` as grey pixels.
std::string Rendered(const std::string& pdf, int page)
{
    const std::string pages = " -f " + std::to_string(page) + " -l " + std::to_string(page);
    return Shell("pdftoppm -r 50 -gray" + pages + " '" + pdf + "'");
}

class SearchableFetch : public SimFixture
{
protected:
    SearchableFetch() { sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::defaults); }

    // Runs `fetch ARGS...` in `folder` to its end; each row's statuses.
    std::map<int, Lines> Fetch(const std::string& folder, const std::vector<std::string>& args)
    {
        std::vector<std::string> command{"fetch"};
        command.insert(command.end(), args.begin(), args.end());
        CliProcess cli(command, folder);
        EXPECT_EQ(cli.Finish(120000), 0) << cli.Errors();
        return StatusesByRow(cli.Output());
    }
};

TEST_F(SearchableFetch, TheHeadingsBecomeTextOverTheServedImagesAndThePagesRenderAsBefore)
{
    const std::string opsLink = "published-data/images/EP/3000000/B1/fullimage";
    const struct
    {
        std::string text, heading;
        int pages;
    } documents[] = {{"5123456", "US5123456", 3}, {"EP3000000", "EP3000000", 2}};
    const std::string plain = home.Dir("plain"), searchable = home.Dir("searchable");
    Fetch(plain, {"5123456", "EP3000000"});
    std::map<int, Lines> rows = Fetch(searchable, {"--ocr", "5123456", "EP3000000"});
    for (int row = 0; row < 2; ++row) {
        const auto& d = documents[row];
        SCOPED_TRACE(d.text);
        const std::string count = std::to_string(d.pages);
        EXPECT_TRUE(Printed(rows[row], "Making searchable: page 1 of " + count));
        EXPECT_TRUE(Printed(rows[row], "Making searchable: page " + count + " of " + count));
        EXPECT_EQ(rows[row].back(), "Finished!");
        const std::string pdf = searchable + "/" + d.text + ".pdf";
        EXPECT_TRUE(QpdfCheck(pdf));
        std::vector<std::string> served = row == 0 ? ServedPpubsImages(d.text) : std::vector<std::string>();
        for (int page = 1; row == 1 && page <= d.pages; ++page)
            served.push_back(ServedOpsStrip(opsLink, page));
        EXPECT_TRUE(ReadPdf(pdf, home.Dir("json-" + d.text)).images == served) << "an image differs";
        for (int page = 1; page <= d.pages; ++page) {
            const std::string plainPdf = plain + "/" + d.text + ".pdf";
            EXPECT_EQ(Words(plainPdf, page), "");
            const std::string heading = d.heading + " PAGE " + std::to_string(page) + " OF " + count;
            EXPECT_NE(Words(pdf, page).find(heading), std::string::npos) << Words(pdf, page);
            EXPECT_TRUE(Rendered(pdf, page) == Rendered(plainPdf, page))
                << "page " << page << " renders otherwise";
        }
    }
}

// The plain PDF was complete before recognition began; the next fetch, with
// the stored setting this time, makes the document it finds searchable.
TEST_F(SearchableFetch, AStopDuringRecognitionLeavesThePlainPdfThatTheNextFetchMakesSearchable)
{
    const std::string folder = home.Dir("pdfs");
    const std::string pdf = folder + "/5123456.pdf";
    {
        CliProcess cli({"fetch", "--ocr", "5123456"}, folder);
        ASSERT_TRUE(cli.ReadUntil(
            [](const Lines& lines) { return Printed(lines, "0\tMaking searchable: page 1 of 3"); }, 60000));
        cli.Signal(SIGTERM);
        EXPECT_EQ(cli.Finish(10000), 1);
        EXPECT_EQ(cli.Output().back(), "0\tStopped");
        EXPECT_NE(cli.Errors().find("Stopped 1 document.\n"), std::string::npos) << cli.Errors();
    }
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"5123456.pdf"});
    EXPECT_TRUE(QpdfCheck(pdf));
    EXPECT_EQ(QpdfPages(pdf), 3);
    EXPECT_EQ(Words(pdf, 1), "");

    WriteFile(home.SettingsFile(), "ocr=1\n" + ReadFile(home.SettingsFile()));
    const Lines statuses = Fetch(folder, {"5123456"})[0];
    EXPECT_TRUE(Printed(statuses, "Making searchable: page 1 of 3"));
    EXPECT_EQ(statuses.back(), "Previously Downloaded!");
    EXPECT_NE(Words(pdf, 3).find("US5123456 PAGE 3 OF 3"), std::string::npos) << Words(pdf, 3);
}

// An office's PDF kept as served with text on every page is left as it is;
// without the office's language the PDF stays plain and the status says so.
TEST_F(SearchableFetch, DocumentsThatGetNoNewTextAreLeftAsTheyAreAndSayWhy)
{
    const std::string textPdf = home.Path() + "/text.pdf";
    Shell("python3 -c \"import sys; sys.path.insert(0, '" FH_SOURCE_DIR "/tools/office-sim'); "
          "from officesim import eps; open(sys.argv[1], 'wb').write(eps.text_pdf('US6103599', 2))\" '" +
          textPdf + "'");
    ASSERT_TRUE(QpdfCheck(textPdf));
    sim->Faults(
        R"([{"service": "ppubsImages", "path": "downloadPdf/6103599", "action": "status", "status": 200,
                     "ctype": "application/pdf", "bodyFile": ")" +
        textPdf + R"("}])");
    const std::string folder = home.Dir("pdfs");
    setenv("TESSDATA_PREFIX", home.Dir("no-languages").c_str(), 1);
    std::map<int, Lines> rows = Fetch(folder, {"--ocr", "6103599", "5123456"});
    unsetenv("TESSDATA_PREFIX");
    EXPECT_EQ(rows[0].back(), "Finished!");
    EXPECT_TRUE(ReadFile(folder + "/6103599.pdf") == ReadFile(textPdf)) << "the office's PDF changed";
    EXPECT_EQ(rows[1].back(), "Finished! Not searchable: no English OCR language installed");
    EXPECT_TRUE(QpdfCheck(folder + "/5123456.pdf"));
    EXPECT_EQ(Words(folder + "/5123456.pdf", 1), "");
    for (const auto& [row, statuses] : rows)
        for (const std::string& status : statuses)
            EXPECT_EQ(status.find("Making searchable"), std::string::npos) << row;
}

}  // namespace
