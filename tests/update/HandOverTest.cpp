#include "UpdateTestHelpers.h"

#include "update/HandOver.h"

#include <gtest/gtest.h>
#include <wx/cmdline.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>

namespace {

TEST(HandOverCommandLine, SplitsBackIntoTheTwoPathsAndTheWordDelete)
{
    const char* const paths[][2] = {
        {"/opt/fh/FolioHarvester-2.24.exe", "/opt/fh/folioharvester"},
        {"/home/a b/My Programs/FolioHarvester-2.24.exe", "/home/a b/My Programs/folioharvester"},
        {"/tmp/x/FolioHarvester-2.105.exe", "/tmp/it's here/folioharvester"},
    };
    for (const auto& pair : paths) {
        SCOPED_TRACE(pair[0]);
        const wxString line = HandOverCommandLine(pair[0], pair[1]);
        const wxArrayString args = wxCmdLineParser::ConvertStringToArgs(line, wxCMD_LINE_SPLIT_UNIX);
        ASSERT_EQ(args.size(), 3u) << line;
        EXPECT_EQ(args[0], pair[0]);
        EXPECT_EQ(args[1], "delete");
        EXPECT_EQ(args[2], pair[1]);
    }
}

TEST(HandOverCommandLine, QuotesBothPaths)
{
    EXPECT_EQ(HandOverCommandLine("/a b/new.exe", "/c d/old"), "\"/a b/new.exe\" delete \"/c d/old\"");
}

TEST(RunningProgramPath, IsArgvZeroWhenAbsoluteElseTheExecutable)
{
    {
        ProgramPathOverride program("/some where/folioharvester");
        EXPECT_EQ(RunningProgramPath(), "/some where/folioharvester");
    }
    {
        ProgramPathOverride program("folioharvester");
        EXPECT_EQ(RunningProgramPath(), wxStandardPaths::Get().GetExecutablePath());
        EXPECT_TRUE(wxFileName(RunningProgramPath()).IsAbsolute());
    }
    {
        ProgramPathOverride program("build/folioharvester");
        EXPECT_TRUE(wxFileName(RunningProgramPath()).IsAbsolute());
    }
}

}  // namespace
