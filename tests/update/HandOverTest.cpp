#include "UpdateTestHelpers.h"

#include "GuiTest.h"
#include "TempHome.h"
#include "update/HandOver.h"

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>

namespace {

// The new program gets its own path, "delete" and the old path exactly,
// whatever characters the paths hold: no shell reads them.
TEST(HandOverLaunch, StartsTheNewProgramWithTheOldPathWhateverItHolds)
{
    TempHome home;
    const std::string record = home.Path() + "/arguments";
    const std::string program = home.Dir("it's \"new\" $HOME \\") + "/FolioHarvester-2.24.exe";
    WriteFile(program, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" + record + "'\n");
    ASSERT_TRUE(wxFileName(program).SetPermissions(0755));
    const std::string oldProgram = home.Path() + "/a b/say \"hi\"/it's/folioharvester";

    HandOverActions::Defaults().launch(HandOverArguments(program, oldProgram));
    const std::string expected = program + "\ndelete\n" + oldProgram + "\n";
    EXPECT_TRUE(PumpUntil([&] { return FileExists(record) && ReadFile(record) == expected; }, 10000))
        << (FileExists(record) ? ReadFile(record) : "not started");
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
