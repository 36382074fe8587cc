#include "AppFixture.h"

#include "GuiTest.h"
#include "net/NetworkSettings.h"
#include "update/Version.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/testing.h>

#include <cstdio>

#include <sys/stat.h>

namespace {

using StartupTest = AppTest;

TEST_F(StartupTest, NoStoredSettingsGiveTheDefaults)
{
    TheNetworkSettings() = NetworkSettings{1, "stale", "1", "u", "p", nullptr};
    OpenWindow();
    EXPECT_EQ(frame->GetPosition(), wxPoint(50, 50));
    EXPECT_EQ(frame->GetSize(), wxSize(400, 240));
    EXPECT_EQ(TheNetworkSettings().proxyPort, "80");
    EXPECT_EQ(TheNetworkSettings().connectionType, 0);
    EXPECT_EQ(TheNetworkSettings().proxyServer, "");
    EXPECT_EQ(TheNetworkSettings().proxyPass, "");
    EXPECT_EQ(frame->GetMaxThreads(), 3);
    EXPECT_EQ(frame->GetTitle(), "FolioHarvester");
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "0 Pages Downloaded from the USPTO");
    EXPECT_TRUE(frame->IsShown());
    EXPECT_TRUE(StoredHas("lastCheck"));  // the first start checks for updates at once
}

// A typo in the routes is said once, with the key, the value and what is
// used instead; the window starts all the same.
TEST_F(StartupTest, AnUnknownServicesValueIsSaidOnceAtStart)
{
    WriteSettings("", "us=pubs\nother=classic\n");
    OpenWindow();
    PumpFor(100);
    std::vector<wxString> warnings;
    for (const RecordingLog::Record& record : log.Records())
        if (record.level == wxLOG_Warning)
            warnings.push_back(record.text);
    EXPECT_EQ(warnings, std::vector<wxString>{"[services] us=pubs is not one of ppubs, ops, classic: ppubs is used"});
    EXPECT_TRUE(frame->IsShown());
}

TEST_F(StartupTest, GeometryIsCorrectedToUsableLimits)
{
    struct Case
    {
        const char* lines;
        wxPoint pos;
        wxSize size;
    };
    const Case cases[] = {
        {"sizex=100\nsizey=100\n", {50, 50}, {375, 200}},
        {"posx=-32000\nposy=120\n", {50, 120}, {400, 240}},
        {"posx=70\nposy=-1\nsizex=500\nsizey=300\n", {70, 50}, {500, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        WriteSettings(c.lines);
        OpenWindow();
        EXPECT_EQ(frame->GetPosition(), c.pos);
        EXPECT_EQ(frame->GetSize(), c.size);
        CloseWindow();
    }
}

TEST_F(StartupTest, OlderProxyLayoutIsMigratedAndDeleted)
{
    struct Case
    {
        const char* lines;
        long connectionType;
    };
    const Case cases[] = {
        {"proxyEnable=1\nproxyType=HTTP\n", 2},
        {"proxyEnable=1\nproxyType=http\n", 0},
        {"proxyEnable=0\nproxyType=HTTP\n", 0},
        {"connectionType=1\nproxyEnable=1\nproxyType=SOCKS\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        WriteSettings(c.lines);
        OpenWindow();
        EXPECT_EQ(TheNetworkSettings().connectionType, c.connectionType);
        EXPECT_FALSE(StoredHas("proxyEnable"));
        EXPECT_FALSE(StoredHas("proxyType"));
        CloseWindow();
        EXPECT_EQ(StoredValue("connectionType"), wxString::Format("%ld", c.connectionType));
        EXPECT_FALSE(StoredHas("proxyEnable"));
        EXPECT_FALSE(StoredHas("proxyType"));
    }
}

TEST_F(StartupTest, PasswordSurvivesShutdownAndStartUpScrambledOnDisk)
{
    const wxString password = "Pa ss:w0rd\"#=~";
    OpenWindow();
    TheNetworkSettings().proxyPass = password;
    CloseWindow();

    const wxString stored = StoredValue("proxyPass");
    ASSERT_EQ(stored.length(), password.length());
    for (size_t i = 0; i < password.length(); ++i)
        EXPECT_NE(stored[i], password[i]) << "byte " << i;

    TheNetworkSettings().proxyPass.clear();
    OpenWindow();
    EXPECT_EQ(TheNetworkSettings().proxyPass, password);
}

TEST_F(StartupTest, CloseWritesEverySettingOnceAndIsGuarded)
{
    const std::string saveDir = home.Dir("pdfs");
    WriteSettings("Path=" + saveDir + "\nmax_threads=7\n");
    OpenWindow();
    EXPECT_EQ(wxFileName::DirName(wxGetCwd()), wxFileName::DirName(saveDir));
    EXPECT_EQ(frame->GetMaxThreads(), 7);
    TheNetworkSettings().proxyServer = "proxy.example";
    TheNetworkSettings().proxyUser = "alice";
    frame->SetSize(430, 260);
    frame->Close(true);
    frame->Close(true);  // a second request during shutdown does nothing
    CloseWindow();

    for (const char* key : {"Path", "max_threads", "exec", "proxyServer", "proxyPort", "proxyUser",
                            "proxyPass", "connectionType", "Version", "sizex", "sizey", "posx",
                            "posy", "lastCheck"})
        EXPECT_TRUE(StoredHas(key)) << key;
    EXPECT_EQ(wxFileName::DirName(StoredValue("Path")), wxFileName::DirName(saveDir));
    EXPECT_EQ(StoredValue("max_threads"), "7");
    EXPECT_EQ(StoredValue("Version"), versionText);
    EXPECT_EQ(StoredValue("proxyServer"), "proxy.example");
    EXPECT_EQ(StoredValue("proxyUser"), "alice");
    EXPECT_EQ(StoredValue("sizex"), "430");
    EXPECT_EQ(StoredValue("sizey"), "260");
    EXPECT_EQ(StoredValue("exec"), wxString(wxTheApp->argv[0]));

    struct stat info;
    ASSERT_EQ(stat(home.SettingsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(StartupTest, NewSettingsFileIsPrivate)
{
    std::remove(home.SettingsFile().c_str());
    OpenWindow();
    CloseWindow();
    struct stat info;
    ASSERT_EQ(stat(home.SettingsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// Runs the window's start-up with other command-line arguments.
class HandOverTest : public AppTest
{
protected:
    static void SetArguments(std::vector<std::string> args)
    {
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        wxTheApp->argc = static_cast<int>(argv.size());
        wxTheApp->argv.Init(static_cast<int>(argv.size()), argv.data());
    }
    HandOverTest()
    {
        for (const wxString& arg : wxTheApp->argv.GetArguments())
            savedArgs.push_back(arg.utf8_string());
    }
    ~HandOverTest() override { SetArguments(savedArgs); }

    std::vector<std::string> savedArgs;
};

class ExpectDeleteQuestion : public wxExpectModal<wxMessageDialog>
{
public:
    ExpectDeleteQuestion(int answer, std::string old)
        : wxExpectModal<wxMessageDialog>(answer), answer(answer), old(std::move(old)) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        EXPECT_EQ(dlg->GetTitle(), "Delete Old FolioHarvester");
        EXPECT_EQ(dlg->GetMessage(), "Delete previous version of FolioHarvester?\n\n" + old);
        return answer;
    }
    int answer;
    std::string old;
};

TEST_F(HandOverTest, DeleteQuestionAnsweredNoKeepsTheOldProgram)
{
    const std::string old = home.Path() + "/FolioHarvester old";
    WriteFile(old, "old program");
    SetArguments({"folioharvester", "delete", old});
    wxTEST_DIALOG(OpenWindow(), ExpectDeleteQuestion(wxID_NO, old));
    EXPECT_TRUE(FileExists(old));
}

TEST_F(HandOverTest, DeleteQuestionAnsweredYesRemovesTheOldProgram)
{
    const std::string old = home.Path() + "/FolioHarvester old";
    WriteFile(old, "old program");
    SetArguments({"folioharvester", "delete", old});
    wxTEST_DIALOG(OpenWindow(), ExpectDeleteQuestion(wxID_YES, old));
    EXPECT_FALSE(FileExists(old));
    CloseWindow();

    // Already gone: nothing is reported.
    wxTEST_DIALOG(OpenWindow(), ExpectDeleteQuestion(wxID_YES, old));
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(HandOverTest, OtherArgumentsAskNothing)
{
    const std::string old = home.Path() + "/FolioHarvester-old";
    WriteFile(old, "old program");
    const std::vector<std::vector<std::string>> cases = {
        {"folioharvester", "delete"},
        {"folioharvester", "Delete", old},
        {"folioharvester", "remove", old},
    };
    for (const auto& args : cases) {
        SetArguments(args);
        {
            // A box shown here is reported as unexpected, failing the test.
            wxTestingModalHook noBoxes(__FILE__, __LINE__, "no question");
            OpenWindow();
        }
        CloseWindow();
        EXPECT_TRUE(FileExists(old));
    }
}

}  // namespace
