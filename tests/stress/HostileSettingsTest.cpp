#include "AppFixture.h"

#include "GuiTest.h"
#include "settings/NetworkSettings.h"

#include <wx/display.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/statusbr.h>

#include <ctime>

namespace {

class HostileSettings : public AppTest
{
protected:
    // Settings lines after a recent update check, unless the case sets its own.
    void Store(const std::string& lines)
    {
        const bool ownCheck = lines.find("lastCheck=") != std::string::npos;
        WriteSettings(ownCheck ? lines
                               : "lastCheck=" + std::to_string(time(nullptr)) + "\n" + lines);
    }
    wxString UpdateStatus() const { return frame->GetStatusBar()->GetStatusText(1); }
};

wxRect Screen()
{
    return wxDisplay(0u).GetGeometry();
}

TEST_F(HostileSettings, AbsurdGeometryGivesAWindowOnTheScreen)
{
    struct Case
    {
        const char* lines;
        wxPoint pos;   // wxDefaultPosition: only "on the screen" is asked
        wxSize size;   // wxDefaultSize: only "fits the screen" is asked
    };
    const Case cases[] = {
        {"posx=2147483647\nposy=2147483647\n", {50, 50}, {400, 240}},
        {"posx=-2147483648\nposy=-2147483648\n", {50, 50}, {400, 240}},
        {"posx=99999999999\nposy=4294967346\n", {50, 50}, {400, 240}},
        {"posx=abc\nposy=1e30\n", {50, 50}, {400, 240}},
        {"sizex=2147483647\nsizey=2147483647\n", {50, 50}, wxDefaultSize},
        {"sizex=99999999999\nsizey=4294967296\n", {50, 50}, wxDefaultSize},
        {"sizex=-2147483648\nsizey=-2147483648\n", {50, 50}, {375, 200}},
        {"sizex=abc\nsizey=1e30\n", {50, 50}, {400, 240}},
        {"posx=200\nposy=100\nsizex=600\nsizey=400\n", {200, 100}, {600, 400}},
    };
    const wxRect screen = Screen();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        Store(c.lines);
        OpenWindow();
        EXPECT_EQ(frame->GetPosition(), c.pos);
        const wxSize size = frame->GetSize();
        if (c.size != wxDefaultSize) {
            EXPECT_EQ(size, c.size);
        } else {
            EXPECT_GE(size.x, 375);
            EXPECT_GE(size.y, 200);
            EXPECT_LE(size.x, screen.width);
            EXPECT_LE(size.y, screen.height);
        }
        CloseWindow();
        const long storedWidth = wxAtol(StoredValue("sizex"));
        EXPECT_TRUE(storedWidth >= 375 && storedWidth <= screen.width) << storedWidth;
    }
}

// A negative count would let every job start at once; counts the setup
// dialog would cut down are left to it, and a stored 0 holds jobs back.
TEST_F(HostileSettings, NegativeOrUnreadableJobLimitIsBoundedAtStartUp)
{
    struct Case
    {
        const char* value;
        long maxThreads;
    };
    const Case cases[] = {
        {"-5", 511}, {"-1", 511},   {"-9223372036854775808", 511}, {"99999999999999999999", 3},
        {"x", 3},    {"", 3},       {"0", 0},                      {"7", 7},
        {"600", 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Store(std::string("max_threads=") + c.value + "\n");
        OpenWindow();
        EXPECT_EQ(frame->GetMaxThreads(), c.maxThreads);
        CloseWindow();
    }
}

TEST_F(HostileSettings, ConnectionTypeOutsideItsChoicesIsAuto)
{
    struct Case
    {
        const char* value;
        long connectionType;
    };
    const Case cases[] = {{"7", 0}, {"-1", 0}, {"4294967298", 0}, {"abc", 0}, {"1", 1}, {"2", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Store(std::string("connectionType=") + c.value + "\n");
        OpenWindow();
        EXPECT_EQ(TheNetworkSettings().connectionType, c.connectionType);
        CloseWindow();
        EXPECT_EQ(StoredValue("connectionType"), wxString::Format("%ld", c.connectionType));
    }
}

TEST_F(HostileSettings, UnusableSaveFolderLeavesTheWorkingDirectory)
{
    const std::string file = home.Path() + "/not-a-folder";
    WriteFile(file, "x");
    const wxString before = wxGetCwd();
    for (const std::string& path : {home.Path() + "/missing/folder", file, std::string("\t")}) {
        SCOPED_TRACE(path);
        Store("Path=" + path + "\n");
        OpenWindow();
        EXPECT_EQ(wxGetCwd(), before);
        CloseWindow();
    }
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(HostileSettings, LastCheckFarAwayStillDecidesTheUpdateCheck)
{
    struct Case
    {
        std::string value;
        bool checks;
    };
    // Times no date can hold count as no check yet: checked and stored anew.
    const Case cases[] = {
        {"32503680000", false},  // the year 3000
        {"1e30", false},         // no number: read as now
        {"-100000", true},
        {"-1", true},
        {"9223372036854775807", true},
        {"-9223372036854775808", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        Store("lastCheck=" + c.value + "\n");
        const long before = static_cast<long>(time(nullptr));
        OpenWindow();
        EXPECT_EQ(UpdateStatus() == "Checking for available updates...", c.checks);
        CloseWindow();
        const long stored = wxAtol(StoredValue("lastCheck"));
        if (c.checks && c.value != "-100000") {
            EXPECT_GE(stored, before);
        }
    }
}

TEST_F(HostileSettings, EveryValueWrongAtOnceStillRunsAndStoresSaneValues)
{
    Store("posx=abc\nposy=1e30\nsizex=2147483647\nsizey=-2147483648\nmax_threads=-100000\n"
          "connectionType=7\nproxyServer=127.0.0.1\nproxyPort=abc\nproxyUser=\nproxyPass=\x01\x02\n"
          "Path=/nonexistent\nlastCheck=-1\n");
    OpenWindow();
    AddNumber("9/836917");  // the application search goes through the proxy settings
    ASSERT_TRUE(PumpUntil([&] { return List()->GetItemText(0, 1).StartsWith("Error"); }));
    CloseWindow();
    EXPECT_EQ(StoredValue("max_threads"), "511");
    EXPECT_EQ(StoredValue("connectionType"), "0");
    EXPECT_EQ(StoredValue("proxyPort"), "abc");
    EXPECT_LE(wxAtol(StoredValue("sizex")), Screen().width);
}

}  // namespace
