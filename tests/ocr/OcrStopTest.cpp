// Stopping: a stop during recognition leaves the plain PDF as it was, and a
// stopped document does not hold up another one on the shared pool.
#include "ocr/MakeSearchable.h"
#include "ocr/OcrDocument.h"
#include "ocr/OcrLanguages.h"
#include "ocr/OcrPool.h"
#include "pdf/PdfFaxPages.h"
#include "pdf/PdfWriter.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>
#include <wx/wfstream.h>

namespace {

// A PDF of our writer's of `pages` copies of the TIFF page `tiff`.
std::string PlainPdf(const std::string& path, const std::string& tiff, int pages)
{
    {
        PdfWriter writer(path, pages);
        for (int k = 0; k < pages; ++k)
        {
            wxFileInputStream input(tiff);
            EXPECT_TRUE(writer.AddPage(input));
        }
        EXPECT_TRUE(writer.Close());
    }
    return ReadFile(path);
}

TEST(OcrStop, StopDuringRecognitionLeavesThePlainPdf)
{
    TempHome home;
    const std::string pdf = home.Path() + "/6672749.pdf";
    const std::string plain = PlainPdf(pdf, FH_TEST_DATA "/ocr/us6672749-front-page.tif", 2);
    OcrPool pool(1);
    const OcrLanguages languages;
    int asked = 0;
    // Asked first as the page is queued, then every 50 ms while it is
    // being recognised, which takes a good second.
    const SearchableOutcome outcome =
        MakeSearchable(pdf, "US", pool, languages, [&asked](int done, int) { return done == 0 && ++asked < 3; });
    EXPECT_EQ(outcome.kind, SearchableOutcome::stopped);
    EXPECT_EQ(outcome.text, "stopped, left as it was");
    EXPECT_TRUE(ReadFile(pdf) == plain) << "the plain PDF changed";
    EXPECT_EQ(FilesIn(home.Path()), std::vector<std::string>{"6672749.pdf"});
}

TEST(OcrStop, AStoppedDocumentDoesNotHoldUpAnotherOnTheSamePool)
{
    TempHome home;
    const PdfFaxPages pages(PlainPdf(home.Path() + "/square.pdf", FH_TEST_DATA "/pdf/g4-square.tif", 1));
    ASSERT_TRUE(pages.IsOk());
    const OcrLanguages::Choice english = OcrLanguages().ForOffice("US");
    OcrPool pool(1);
    OcrDocument stopped(pool, english);
    OcrDocument going(pool, english);
    for (int k = 0; k < 4; ++k)
        stopped.AddPage(pages.GetPages()[0]);
    going.AddPage(pages.GetPages()[0]);
    stopped.Stop();
    EXPECT_FALSE(stopped.Wait());
    ASSERT_TRUE(going.Wait());
    EXPECT_TRUE(going.GetPages()[0].recognised) << going.GetPages()[0].problem;
    EXPECT_EQ(going.GetPages()[0].columns, 300);
    pool.Stop();
    OcrDocument late(pool, english);
    late.AddPage(pages.GetPages()[0]);
    EXPECT_FALSE(late.Wait()) << "a stopped pool stops what is added to it";
    EXPECT_EQ(late.GetPages()[0].problem, "stopped");
}

}  // namespace
