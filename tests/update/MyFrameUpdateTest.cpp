#include "UpdateTestHelpers.h"
#include "ClosedPort.h"

#include "GuiTest.h"
#include "SimTest.h"
#include "RecordingLog.h"
#include "TempHome.h"
#include "app/MyFrame.h"
#include "settings/NetworkSettings.h"
#include "settings/SettingsStore.h"
#include "update/HandOver.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/confbase.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/statusbr.h>
#include <wx/testing.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <ctime>
#include <memory>

namespace {

struct Box
{
    wxString caption;
    wxString message;
    long style;
};

// Answers one message box and remembers what it asked.
class AnswerBox : public wxExpectModalBase<wxMessageDialog, AnswerBox>
{
public:
    AnswerBox(int answer, std::vector<Box>* seen) : answer(answer), seen(seen) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        seen->push_back({dialog->GetCaption(), dialog->GetMessage(), dialog->GetMessageDialogStyle()});
        return answer;
    }

private:
    int answer;
    std::vector<Box>* seen;
};

// Records the hand-over instead of starting a program; `atLaunch` runs at
// the moment the new program would start.
struct RecordedHandOver
{
    HandOverActions Actions()
    {
        HandOverActions actions;
        actions.launch = [this](const wxArrayString& arguments) {
            launched.push_back(arguments);
            if (atLaunch)
                atLaunch();
        };
        return actions;
    }

    std::vector<wxArrayString> launched;
    std::function<void()> atLaunch;
};

// Presses Cancel in the hand-over's wait as soon as it shows.
class CancelTheWait : public wxTimer
{
public:
    CancelTheWait() { Start(20); }
    void Notify() override
    {
        for (wxWindow* window : wxTopLevelWindows) {
            auto* wait = dynamic_cast<wxGenericProgressDialog*>(window);
            wxWindow* button = wait && wait->IsShown() ? wait->FindWindow(wxID_CANCEL) : nullptr;
            if (!button)
                continue;
            wxCommandEvent click(wxEVT_BUTTON, wxID_CANCEL);
            click.SetEventObject(button);
            button->ProcessWindowEvent(click);
            ++presses;
            Stop();
            return;
        }
    }
    int presses = 0;
};

const long day = 24 * 60 * 60;

class FrameUpdateTest : public SimTest
{
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        network = TheNetworkSettings();
        programDir = home.Dir("my programs");
        program = std::make_unique<ProgramPathOverride>(programDir + "/folioharvester");
    }

    void TearDown() override
    {
        if (frame) {
            frame->Close(true);
            PumpFor(100);
        }
        TheNetworkSettings() = network;
    }

    void OpenFrame()
    {
        frame = new MyFrame("FolioHarvester", wxPoint(50, 50), wxSize(400, 240));
        frame->Show();
    }

    void SetLastCheck(long secondsAgo)
    {
        OpenSettingsStore()->Write("lastCheck", static_cast<long>(std::time(nullptr)) - secondsAgo);
    }
    long LastCheck() const { return OpenSettingsStore()->ReadLong("lastCheck", -1); }
    wxString UpdateStatus() const { return frame->GetStatusBar()->GetStatusText(1); }
    void SetLatest(const std::string& text) { sim->Control("POST", "/_sim/latest", text); }
    size_t MakerRequests(const std::string& path) const
    {
        const std::string log = sim->Log();
        size_t count = 0;
        for (size_t at = log.find(path); at != std::string::npos; at = log.find(path, at + 1))
            ++count;
        return count;
    }
    void ChooseUpdateMenu()
    {
        wxCommandEvent event(wxEVT_MENU, ID_UPDATE);
        frame->ProcessWindowEvent(event);
    }
    bool PumpUntilStatus(const wxString& text)
    {
        return PumpUntil([&] { return UpdateStatus() == text; }, 20000);
    }
    void AddNumber(const wxString& number)
    {
        auto* field = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("text", frame));
        ASSERT_NE(field, nullptr);
        field->ChangeValue(number);
        wxCommandEvent download(wxEVT_BUTTON, ID_DOWNLOAD);
        frame->ProcessWindowEvent(download);
    }
    // A newer version is downloaded through the menu and accepted while
    // 5123456 downloads slowly (its pages come late) and D0365123 waits.
    void AcceptUpdateWhileDownloading(long maxThreads, RecordedHandOver& handOver,
                                      const CancelTheWait* cancel = nullptr)
    {
        OpenSettingsStore()->Write("max_threads", maxThreads);
        SetLastCheck(day);
        SetLatest("24");
        sim->Faults(R"([{"path": "PageNum", "action": "delay", "ms": 300}])");
        OpenFrame();
        frame->SetHandOverActions(handOver.Actions());
        AddNumber("5123456");
        AddNumber("D0365123");
        ChooseUpdateMenu();
        std::vector<Box> boxes;
        wxTEST_DIALOG(PumpUntil([&] { return !handOver.launched.empty() || (cancel && cancel->presses); },
                                20000),
                      AnswerBox(wxID_YES, &boxes));
        EXPECT_EQ(boxes.size(), 1u);
    }
    std::string Pdf(const std::string& name) const
    {
        const std::string path = home.Path() + "/" + name;
        return FileExists(path) ? ReadFile(path) : std::string();
    }

    RecordingLog log;
    NetworkSettings network;
    std::string programDir;
    std::unique_ptr<ProgramPathOverride> program;
    wxWeakRef<MyFrame> frame;
};

bool IsCompletePdf(const std::string& bytes)
{
    return bytes.rfind("%PDF-", 0) == 0 && bytes.find("%%EOF", bytes.size() - 7) != std::string::npos;
}


TEST_F(FrameUpdateTest, FirstStartStoresLastCheckAndOffersANewerVersion)
{
    SetLatest("24");
    const long before = static_cast<long>(std::time(nullptr));
    OpenFrame();
    EXPECT_EQ(UpdateStatus(), "Checking for available updates...");
    EXPECT_GE(LastCheck(), before);

    std::vector<Box> boxes;
    wxTEST_DIALOG(PumpUntil([&] { return !boxes.empty(); }, 20000), AnswerBox(wxID_NO, &boxes));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Latest FolioHarvester Available!");
    EXPECT_EQ(boxes[0].message, "An updated FolioHarvester is available!\n Would you like to download it now?");
    EXPECT_EQ(boxes[0].style & (wxYES_NO | wxICON_QUESTION), wxYES_NO | wxICON_QUESTION);
    EXPECT_EQ(UpdateStatus(), "Update Available!");
    PumpFor(200);
    EXPECT_EQ(MakerRequests("/download.html"), 0u);
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(FrameUpdateTest, YesToTheOfferDownloadsAndAsksToRunIt)
{
    SetLatest("24");
    sim->Control("POST", "/_sim/download", "new program");
    std::vector<Box> boxes;
    OpenFrame();
    wxTEST_DIALOG(PumpUntil([&] { return boxes.size() == 2; }, 20000), AnswerBox(wxID_YES, &boxes),
                  AnswerBox(wxID_NO, &boxes));
    ASSERT_EQ(boxes.size(), 2u);
    const std::string saved = programDir + "/FolioHarvester-2.24.exe";
    EXPECT_EQ(boxes[1].caption, "Latest FolioHarvester Ready");
    EXPECT_EQ(boxes[1].message, "The latest FolioHarvester has been succesfully downloaded to \"" + saved +
                                    "\"\n\n\nWould you like to exit and run the latest version now?");
    EXPECT_EQ(UpdateStatus(), "Downloading latest version...");
    EXPECT_EQ(ReadFile(saved), "new program");
    EXPECT_TRUE(IsExecutable(saved));
}

TEST_F(FrameUpdateTest, UpdateMenuDownloadsAndHandsOverWithBothPaths)
{
    SetLastCheck(day);
    SetLatest("24");
    sim->Control("POST", "/_sim/download", "new program");
    RecordedHandOver handOver;
    std::vector<Box> boxes;
    OpenFrame();
    frame->SetHandOverActions(handOver.Actions());
    ChooseUpdateMenu();
    EXPECT_EQ(UpdateStatus(), "Downloading any available updates...");
    wxTEST_DIALOG(PumpUntil([&] { return !handOver.launched.empty(); }, 20000), AnswerBox(wxID_YES, &boxes));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Latest FolioHarvester Ready");
    const std::string saved = programDir + "/FolioHarvester-2.24.exe";
    ASSERT_EQ(handOver.launched.size(), 1u);
    EXPECT_EQ(wxJoin(handOver.launched[0], '|'), saved + "|delete|" + programDir + "/folioharvester");
    EXPECT_EQ(ReadFile(saved), "new program");
    EXPECT_TRUE(PumpUntil([&] { return !frame; }, 5000)) << "the window closes";
}

// The new program starts only after the running download has ended, no
// waiting one is started meanwhile, and the settings are saved first.
TEST_F(FrameUpdateTest, HandOverWaitsForTheRunningDownloadAndSavesTheSettings)
{
    TheNetworkSettings().proxyServer = "proxy.example";
    RecordedHandOver handOver;
    std::string pdfAtLaunch, settingsAtLaunch;
    handOver.atLaunch = [&] {
        pdfAtLaunch = Pdf("5123456.pdf");
        settingsAtLaunch = ReadFile(home.SettingsFile());
    };
    AcceptUpdateWhileDownloading(1, handOver);
    ASSERT_EQ(handOver.launched.size(), 1u);
    EXPECT_TRUE(IsCompletePdf(pdfAtLaunch));
    for (const char* line : {"Version=2.23", "proxyServer=proxy.example", "max_threads=1"})
        EXPECT_NE(settingsAtLaunch.find(line), std::string::npos) << line;
    EXPECT_NE(settingsAtLaunch.find("exec=" + programDir + "/folioharvester"), std::string::npos);
    EXPECT_TRUE(PumpUntil([&] { return !frame; }, 5000));
    PumpFor(300);
    EXPECT_EQ(sim->Log().find("D0365123"), std::string::npos) << "the waiting job started";
}

TEST_F(FrameUpdateTest, CancellingTheWaitKeepsTheProgramAndItsDownloads)
{
    RecordedHandOver handOver;
    CancelTheWait cancel;
    AcceptUpdateWhileDownloading(1, handOver, &cancel);
    EXPECT_EQ(cancel.presses, 1);
    ASSERT_TRUE(frame);
    EXPECT_EQ(UpdateStatus(), "Update Cancelled");
    // The held-back job starts once the first has ended.
    EXPECT_TRUE(PumpUntil([&] { return IsCompletePdf(Pdf("D365123.pdf")); }, 20000));
    EXPECT_TRUE(IsCompletePdf(Pdf("5123456.pdf")));
    EXPECT_TRUE(handOver.launched.empty());
}

// With no place for a job, nothing runs: the hand-over has nothing to wait for.
TEST_F(FrameUpdateTest, HandOverWithAJobLimitOfZeroDoesNotWait)
{
    RecordedHandOver handOver;
    AcceptUpdateWhileDownloading(0, handOver);
    EXPECT_EQ(handOver.launched.size(), 1u);
    EXPECT_EQ(sim->Log().find("PageNum"), std::string::npos);
    EXPECT_NE(ReadFile(home.SettingsFile()).find("max_threads=0"), std::string::npos);
}

TEST_F(FrameUpdateTest, WithoutAnUpdateServerNothingIsAskedAndTheMenuSaysSo)
{
    OpenSettingsStore()->DeleteEntry("/hosts/maker");
    OpenFrame();
    PumpFor(300);
    EXPECT_EQ(UpdateStatus(), "");
    EXPECT_EQ(LastCheck(), -1);
    ChooseUpdateMenu();
    PumpFor(300);
    EXPECT_EQ(log.Messages(),
              std::vector<wxString>{"No update server is configured. To check for updates, set maker=HOST "
                                    "in the [hosts] group of the settings file ~/.FolioHarvester."});
    EXPECT_EQ(sim->Log().find("/latest.html"), std::string::npos);
}

TEST_F(FrameUpdateTest, ResultsOfRequestedChecksAreAlsoShownAsMessages)
{
    struct Case
    {
        const char* latest;  // null: the server is down
        const char* fault;   // what "/latest.html" answers instead, or null
        const char* text;
        bool storesLastCheck;
    };
    const Case cases[] = {
        {"23", nullptr, "Running Latest Version", true},
        {"12", nullptr, "Running Latest Version", true},
        {"<html><title>404</title></html>", nullptr, "Error Updating!", false},
        {nullptr, nullptr, "Error Updating!", false},
        {"24", R"("status": 500, "body": "24")", "Error Updating!", false},
        {"23", R"("status": 404, "body": "404 Not Found")", "Error Updating!", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.latest ? c.latest : "server down") + " " + (c.fault ? c.fault : ""));
        sim->Reset();
        if (c.latest)
            SetLatest(c.latest);
        else
            SetMakerHost("127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
        if (c.fault)
            sim->Faults(std::string(R"([{"service": "maker", "path": "/latest.html", "action": "status", )") +
                        c.fault + "}]");
        SetLastCheck(day);
        const long stored = LastCheck();
        log.Clear();
        OpenFrame();
        ChooseUpdateMenu();
        std::vector<Box> offers;  // a misread answer would offer an update
        wxTEST_DIALOG(EXPECT_TRUE(PumpUntilStatus(c.text)), AnswerBox(wxID_NO, &offers).Optional());
        EXPECT_TRUE(offers.empty());
        EXPECT_EQ(log.Messages(), std::vector<wxString>{c.text});
        if (c.storesLastCheck)
            EXPECT_GT(LastCheck(), stored);
        else
            EXPECT_EQ(LastCheck(), stored);
        frame->Close(true);
        PumpFor(100);
        frame = nullptr;
        sim->WriteSettings(home.SettingsFile());
    }
}

TEST_F(FrameUpdateTest, FailedStartUpCheckOnlyShowsInTheStatusLine)
{
    SetMakerHost("127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
    SetLastCheck(61 * day);
    const long stored = LastCheck();
    OpenFrame();
    EXPECT_TRUE(PumpUntilStatus("Error Updating!"));
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(LastCheck(), stored);
}

TEST_F(FrameUpdateTest, StartUpChecksOnlyWhenTheLastCheckIsOverSixtyDaysOld)
{
    SetLatest("23");
    SetLastCheck(59 * day);
    OpenFrame();
    PumpFor(500);
    EXPECT_EQ(MakerRequests("/latest.html"), 0u);
    EXPECT_EQ(UpdateStatus(), "");
    frame->Close(true);
    PumpFor(100);
    frame = nullptr;

    SetLastCheck(61 * day);
    OpenFrame();
    EXPECT_EQ(UpdateStatus(), "Checking for available updates...");
    EXPECT_TRUE(PumpUntilStatus("Running Latest Version"));
    EXPECT_EQ(MakerRequests("/latest.html"), 1u);
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(FrameUpdateTest, UpdateMenuIsIgnoredWhileACheckRuns)
{
    SetLastCheck(day);
    SetLatest("23");
    sim->Faults(R"([{"service": "maker", "path": "/latest.html", "action": "delay", "ms": 1000}])");
    OpenFrame();
    ChooseUpdateMenu();
    ChooseUpdateMenu();
    EXPECT_TRUE(PumpUntilStatus("Running Latest Version"));
    PumpFor(300);
    EXPECT_EQ(MakerRequests("/latest.html"), 1u);
    EXPECT_EQ(log.Messages().size(), 1u);
}

TEST_F(FrameUpdateTest, ClosingWhileACheckStallsEndsPromptly)
{
    SetLastCheck(day);
    sim->Faults(R"([{"service": "maker", "path": "/latest.html", "action": "hang"}])");
    OpenFrame();
    ChooseUpdateMenu();
    PumpUntil([&] { return MakerRequests("/latest.html") > 0; }, 5000);
    frame->Close(true);  // stops the update thread and waits for it
    frame = nullptr;
    PumpFor(200);
    EXPECT_TRUE(log.Messages().empty());
}

}  // namespace
