#include "cli/Commands.h"
#include "tests/support/CliProcess.h"
#include "tests/support/TempHome.h"
#include "tests/pdf/PdfTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {


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

TEST(AssembleCommand, NeverOverwritesAPageAndNamesWhatIsWrong)
{
    TempHome home;
    const std::string g4 = ReadFile(fixtures + "g4-letter.tif");
    const std::string g3 = ReadFile(fixtures + "g3-1d.tif");
    WriteFile(home.Path() + "/a.tif", g4);
    WriteFile(home.Path() + "/b.tif", g3);
    WriteFile(home.Path() + "/x.tif", g4);
    WriteFile(home.Path() + "/README.md", "# notes\n");
#ifndef _WIN32  // links there need the administrator's leave
    std::filesystem::create_symlink("x.tif", home.Path() + "/link.pdf");
#endif
    std::filesystem::create_hard_link(home.Path() + "/x.tif", home.Path() + "/hard.pdf");
    home.Dir("folder");

    const struct
    {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* error;
    } cases[] = {
        {"a page as the output", {"a.tif", "b.tif"}, 64, "a.tif: the output's name must end in .pdf"},
        {"one page as output and input", {"x.tif", "x.tif"}, 64, "x.tif: the output's name"},
#ifndef _WIN32
        {"output linked to a page", {"link.pdf", "a.tif", "x.tif"}, 64, "link.pdf: is the page x.tif"},
#endif
        {"output a hard link of a page", {"hard.pdf", "x.tif"}, 64, "hard.pdf: is the page x.tif"},
        {"missing page", {"out.pdf", "a.tif", "/nonexistent.tif"}, 1,
         "/nonexistent.tif: No such file or directory"},
        {"page that is no TIFF", {"out.pdf", "README.md"}, 1, "README.md: not a TIFF file"},
        {"folder as a page", {"out.pdf", "folder"}, 1, "folder: Is a directory"},
        {"output in a missing folder", {"no/such/out.pdf", "a.tif"}, 1,
         "no/such/out.pdf: No such file or directory"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args{"assemble"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliProcess cli(args, home.Path());
        EXPECT_EQ(cli.Finish(20000), c.exitCode);
        EXPECT_NE(cli.Errors().find(std::string("assemble: ") + c.error + (c.exitCode == 64 ? "" : "\n")),
                  std::string::npos)
            << cli.Errors();
        EXPECT_EQ(cli.Errors().find("usage:") != std::string::npos, c.exitCode == 64) << cli.Errors();
    }
    EXPECT_TRUE(ReadFile(home.Path() + "/a.tif") == g4);
    EXPECT_TRUE(ReadFile(home.Path() + "/b.tif") == g3);
    EXPECT_TRUE(ReadFile(home.Path() + "/x.tif") == g4);
    std::vector<std::string> files = FilesIn(home.Path());
    std::sort(files.begin(), files.end());
#ifdef _WIN32
    EXPECT_EQ(files, (std::vector<std::string>{"README.md", "a.tif", "b.tif", "hard.pdf", "x.tif"}));
#else
    EXPECT_EQ(files, (std::vector<std::string>{"README.md", "a.tif", "b.tif", "hard.pdf", "link.pdf", "x.tif"}));
#endif
}

}  // namespace
