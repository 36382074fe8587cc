// A page's fax data decoded from the TIFF as served and from the image our
// PDF holds gives the same bitmap at the same resolution.
#include "ocr/FaxBitmap.h"
#include "pdf/FaxImage.h"
#include "pdf/PdfFaxPages.h"
#include "pdf/PdfWriter.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <wx/wfstream.h>

namespace {

const std::string fixtures = FH_TEST_DATA "/pdf/";

TEST(FaxBitmap, TiffPageAndItsImageLiftedFromOurPdfDecodeAlike)
{
    TempHome home;
    // Group 4 and both kinds of Group 3, without a resolution, at 100 pixels
    // per inch, and at the EPO's different resolutions across and down.
    const char* pages[] = {"g4-letter.tif", "g3-1d.tif", "g3-2d.tif", "g4-letter-mm.tif", "g4-ops.tif"};
    PdfWriter::Options options;
    options.pageSizeFromResolution = true;
    const std::string pdf = home.Path() + "/pages.pdf";
    {
        PdfWriter writer(pdf, static_cast<int>(std::size(pages)), options);
        for (const char* page : pages)
        {
            wxFileInputStream input(fixtures + page);
            ASSERT_TRUE(writer.AddPage(input)) << page;
        }
        ASSERT_TRUE(writer.Close());
    }
    const PdfFaxPages lifted(ReadFile(pdf));
    ASSERT_TRUE(lifted.IsOk()) << lifted.GetError();
    for (size_t k = 0; k < std::size(pages); ++k)
    {
        const FaxBitmap fromTiff(ReadFile(fixtures + pages[k]));
        const FaxBitmap fromPdf(lifted.GetPages()[k]);
        ASSERT_TRUE(fromTiff.IsOk() && fromPdf.IsOk()) << pages[k] << ": " << fromTiff.GetError() << fromPdf.GetError();
        l_int32 same = 0;
        pixEqual(fromTiff.GetPix(), fromPdf.GetPix(), &same);
        EXPECT_TRUE(same) << pages[k];
        // The page's size is whole points, so the resolution over it rounds.
        EXPECT_NEAR(fromTiff.GetXResolution(), fromPdf.GetXResolution(), 1) << pages[k];
        EXPECT_NEAR(fromTiff.GetYResolution(), fromPdf.GetYResolution(), 1) << pages[k];
        // Black on white, as the page shows, not inverted.
        l_int32 black = 0;
        pixCountPixels(fromPdf.GetPix(), &black, nullptr);
        EXPECT_GT(black, 0) << pages[k];
        EXPECT_LT(black, fromPdf.GetWidth() * fromPdf.GetHeight() / 2) << pages[k];
    }
    // A hostile size is refused before anything is allocated.
    FaxImage huge = lifted.GetPages()[0];
    huge.columns = huge.rows = 50000;
    const FaxBitmap refused(huge);
    EXPECT_FALSE(refused.IsOk());
    EXPECT_EQ(refused.GetError(), "fax image too large to read");
}

}  // namespace
