#include "cli/Commands.h"
#include "tests/support/TempHome.h"
#include "tests/pdf/PdfTestSupport.h"

#include <gtest/gtest.h>

namespace {

const std::string fixtures = FH_TEST_DATA "/pdf/";

TEST(AssembleCommand, ExitCodesAndFiles)
{
    TempHome home;
    const std::string out = home.Path() + "/out.pdf";
    const std::string notTiff = home.Path() + "/page.html";
    WriteFile(notTiff, "<html>not a page</html>");
    const std::string g4 = fixtures + "g4-letter.tif";
    const std::string g3 = fixtures + "g3-1d.tif";

    const struct
    {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        bool fileLeft;
    } cases[] = {
        {"no arguments", {}, 64, false},
        {"no pages", {out}, 64, false},
        {"missing page file", {out, g4, home.Path() + "/missing.tif"}, 1, false},
        {"page that is not a TIFF", {out, g4, notTiff, g3}, 1, false},
        {"folder that does not exist", {home.Path() + "/no/such/out.pdf", g4}, 1, false},
        {"two good pages", {out, g4, g3}, 0, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunAssemble(c.args), c.exitCode);
        EXPECT_EQ(FileExists(out), c.fileLeft);
    }
    const std::string pdf = ReadFile(out);
    EXPECT_NE(pdf.find("/Kids [ 4 0 R 8 0 R]\r\n/Count 2\r\n"), std::string::npos);
    EXPECT_NE(pdf.find("/Title (out)\r\n"), std::string::npos);
    EXPECT_EQ(pdf.substr(pdf.size() - 5), "%%EOF");
}

}  // namespace
