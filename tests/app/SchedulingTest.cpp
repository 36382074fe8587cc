#include "AppFixture.h"

#include "GuiTest.h"
#include "OfficeSim.h"
#include "jobs/JobEvents.h"

#include <wx/dir.h>
#include <wx/listctrl.h>
#include <wx/statusbr.h>
#include <wx/testing.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>

namespace {

// A window whose hosts are the office simulator's and whose save folder is
// a fresh folder of the temporary home.
class SchedulingTest : public AppTest
{
protected:
    void Start(const std::string& rootLines = "", const std::string& faults = "",
               OfficeSim::Routes routes = OfficeSim::Routes::classic, const std::string& serviceLines = "")
    {
        ASSERT_TRUE(sim.Running());
        saveDir = home.Dir("pdfs");
        WriteSettings("Path=" + saveDir + "\nlastCheck=" + std::to_string(time(nullptr)) + "\n" +
                      rootLines, serviceLines);
        sim.WriteSettings(home.SettingsFile(), routes);
        if (!faults.empty())
            sim.Faults(faults);
        OpenWindow();
        frame->Bind(EVT_JOB_STATUS, [this](wxThreadEvent& event) {
            posted.push_back(event.GetString());
            event.Skip();
        });
    }
    // Records every status a row shows while the loop runs until `done`.
    bool WatchRowsUntil(const std::function<bool()>& done, int timeoutMs = 20000)
    {
        return PumpUntil(
            [&] {
                for (long row = 0; row < List()->GetItemCount(); ++row) {
                    auto& seen = shown[Label(row)];
                    if (seen.empty() || seen.back() != Status(row))
                        seen.push_back(Status(row));
                }
                return done();
            },
            timeoutMs);
    }
    bool AllFinished()
    {
        for (long row = 0; row < List()->GetItemCount(); ++row)
            if (Status(row) != "Finished!")
                return false;
        return true;
    }
    bool Shown(const wxString& label, const wxString& status)
    {
        const auto& seen = shown[label];
        return std::find(seen.begin(), seen.end(), status) != seen.end();
    }
    bool Posted(const wxString& status) const
    {
        return std::find(posted.begin(), posted.end(), status) != posted.end();
    }
    std::string Pdf(const std::string& name) const { return saveDir + "/" + name; }
    int PdfCount() const
    {
        wxArrayString files;
        wxDir::GetAllFiles(saveDir, &files, "*.pdf");
        return static_cast<int>(files.size());
    }

    OfficeSim sim{"--quiet"};
    std::string saveDir;
    std::vector<wxString> posted;
    std::map<wxString, std::vector<wxString>> shown;
};

// Every page is answered slowly, so jobs run long enough to be watched,
// cancelled or removed.
const char slowPageFault[] = R"([{"path": "PageNum=", "action": "delay", "ms": 700}])";

TEST_F(SchedulingTest, NewUserDownloadsOneDocument)
{
    Start();
    AddNumber("5123456");
    EXPECT_TRUE(Text()->GetValue().empty());
    ASSERT_EQ(List()->GetItemCount(), 1);
    EXPECT_EQ(Label(0), "5123456");
    EXPECT_EQ(Status(0), "Waiting");
    ASSERT_TRUE(WatchRowsUntil([&] { return Status(0) == "Finished!"; }));
    EXPECT_EQ(posted.front(), "Downloading");
    EXPECT_TRUE(Posted("Downloading page 1 of 3"));
    EXPECT_TRUE(Posted("Downloading page 3 of 3"));
    EXPECT_EQ(posted.back(), "Finished!");
    EXPECT_TRUE(PdfPassesQpdf(Pdf("5123456.pdf")));
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "3 Pages Downloaded from the USPTO");
    ASSERT_TRUE(PumpUntil([&] { return frame->RunningCount() == 0; }));
    EXPECT_TRUE(log.Errors().empty());
}

// FOLIOHARVESTER_TRACE names the file of the run's requests and answers;
// one that cannot be written is said once, and downloads go on.
TEST_F(SchedulingTest, TheTraceFileOfTheEnvironmentRecordsTheRequests)
{
    const struct
    {
        std::string trace;
        const char* number;
        const char* pageRequest;  // expected in the trace; null when none is written
    } cases[] = {
        {home.Path() + "/trace.txt", "5123456", "GET /.piw?Docid=5123456"},
        {home.Path() + "/no/such/folder/trace.txt", "D0365123", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trace);
        log.Clear();
        wxSetEnv("FOLIOHARVESTER_TRACE", c.trace);
        Start();
        wxUnsetEnv("FOLIOHARVESTER_TRACE");
        AddNumber(c.number);
        ASSERT_TRUE(WatchRowsUntil([&] { return Status(0) == "Finished!"; }));
        if (c.pageRequest) {
            EXPECT_TRUE(log.Errors().empty());
            EXPECT_NE(ReadFile(c.trace).find(c.pageRequest), std::string::npos) << ReadFile(c.trace);
        } else {
            ASSERT_EQ(log.Errors().size(), 1u);
            EXPECT_TRUE(log.Errors()[0].StartsWith("cannot write the trace file " + c.trace + ": "))
                << log.Errors()[0];
        }
        CloseWindow();
    }
}

// The README's picture: US patents and an application publication by
// Patent Public Search; EP documents without and with a kind by the
// publication server; a WO number with its slash by OPS. The status line
// counts the pages of every route: 3 + 2 + 3 and, while the EP documents
// still come from OPS, 12 + 12 + 3.
TEST_F(SchedulingTest, RowsOnTheDefaultRoutesDownloadTheirDocuments)
{
    const std::vector<std::pair<const char*, const char*>> documents = {
        {"5123456", "5123456.pdf"}, {"D0365123", "D365123.pdf"}, {"20020000051", "20020000051.pdf"},
        {"EP1000000", "EP1000000.pdf"}, {"EP2219563B1", "EP2219563B1.pdf"},
        {"WO2004/012345", "WO2004-012345.pdf"}};
    Start("sizex=540\nsizey=330\n", "", OfficeSim::Routes::defaults, "ep=eps\n");
    for (const auto& [number, file] : documents)
        AddNumber(number);
    ASSERT_TRUE(WatchRowsUntil([&] {
        for (long row = 0; row < long(documents.size()); ++row)
            if (Status(row) != "Finished!")
                return false;
        return true;
    }));
    EXPECT_TRUE(Posted("Downloading page 12 of 12"));
    for (const auto& [number, file] : documents)
        EXPECT_TRUE(PdfPassesQpdf(Pdf(file))) << number;
    EXPECT_NE(sim.Log().find("/dirsearch-public/print/downloadPdf/20020000051"), std::string::npos);
    EXPECT_EQ(sim.Log().find("\"service\": \"eps\""), std::string::npos) << "with a key, EP documents by OPS";
    ASSERT_TRUE(PumpUntil([&] { return frame->RunningCount() == 0; }));
    EXPECT_TRUE(log.Errors().empty());
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "35 Pages Downloaded from the USPTO");
    SaveScreenshot(frame, "screenshot");
}

TEST_F(SchedulingTest, AtMostMaxThreadsRunAndWaitingRowsStartInOrder)
{
    Start("", slowPageFault);
    for (const char* number : {"5123456", "D0365123", "6000051", "RE035136", "PP012835"})
        AddNumber(number);
    EXPECT_EQ(frame->RunningCount(), 3u);
    EXPECT_EQ(frame->WaitingCount(), 2u);
    PumpFor(200);
    for (long row : {0, 1, 2})
        EXPECT_TRUE(Status(row).StartsWith("Downloading")) << Status(row);
    EXPECT_EQ(Status(3), "Waiting");
    EXPECT_EQ(Status(4), "Waiting");

    std::vector<long> startOrder;
    ASSERT_TRUE(WatchRowsUntil(
        [&] {
            for (long row : {3, 4})
                if (Status(row) != "Waiting" &&
                    std::find(startOrder.begin(), startOrder.end(), row) == startOrder.end())
                    startOrder.push_back(row);
            return AllFinished();
        },
        40000));
    EXPECT_EQ(startOrder, (std::vector<long>{3, 4}));
    EXPECT_EQ(PdfCount(), 5);
}

TEST_F(SchedulingTest, CommasAreShownAsTypedAndDroppedForTheJob)
{
    Start();
    AddNumber("123,456");
    ASSERT_EQ(List()->GetItemCount(), 1);
    EXPECT_EQ(Label(0), "123,456");
    ASSERT_TRUE(WatchRowsUntil([&] { return Status(0) == "Finished!"; }));
    EXPECT_TRUE(FileExists(Pdf("123456.pdf")));
    EXPECT_EQ(sim.Log().find("123,456"), std::string::npos);
}

TEST_F(SchedulingTest, CancelledWaitingRowNeverStarts)
{
    Start("max_threads=1\n", slowPageFault);
    AddNumber("5123456");
    AddNumber("6000051");
    SelectOnly({1});
    Menu(ID_CANCEL);
    EXPECT_EQ(Status(1), "Cancelled");
    EXPECT_EQ(frame->WaitingCount(), 0u);
    ASSERT_TRUE(WatchRowsUntil([&] { return Status(0) == "Finished!"; }));
    ASSERT_TRUE(PumpUntil([&] { return frame->RunningCount() == 0; }));
    PumpFor(300);
    EXPECT_EQ(Status(1), "Cancelled");
    EXPECT_FALSE(FileExists(Pdf("6000051.pdf")));
    // A row that has ended is not touched by cancel.
    SelectOnly({0});
    Menu(ID_CANCEL);
    EXPECT_EQ(Status(0), "Finished!");
}

// Cancelling, removing or deleting running rows gives their places to the
// rows that wait, at once.
TEST_F(SchedulingTest, FreedPlacesStartWaitingRows)
{
    for (int action : {ID_CANCEL, ID_REMOVE, ID_DELETE}) {
        SCOPED_TRACE(action);
        Start("max_threads=2\n", slowPageFault);
        for (const char* number : {"5123456", "6000051", "RE035136", "PP012835"})
            AddNumber(number);
        SelectOnly({0, 1});
        Menu(action);
        EXPECT_EQ(frame->RunningCount(), 2u);
        EXPECT_EQ(frame->WaitingCount(), 0u);
        shown.clear();
        ASSERT_TRUE(WatchRowsUntil(
            [&] { return Shown("RE035136", "Finished!") && Shown("PP012835", "Finished!"); },
            30000));
        EXPECT_FALSE(FileExists(Pdf("5123456.pdf")));
        EXPECT_FALSE(FileExists(Pdf("6000051.pdf")));
        CloseWindow();
        std::filesystem::remove_all(saveDir);
    }
}

TEST_F(SchedulingTest, SetupClampsMaxThreads)
{
    for (const char* stored : {"0", "-1", "900", "4"}) {
        SCOPED_TRACE(stored);
        Start(std::string("max_threads=") + stored + "\n");
        wxTEST_DIALOG(Menu(ID_SETUP), wxExpectAny(wxID_CANCEL).Describe("Setup dialog"));
        const long want = std::string(stored) == "0" ? 1 : std::string(stored) == "4" ? 4 : 511;
        EXPECT_EQ(frame->GetMaxThreads(), want);
        CloseWindow();
    }
}

TEST_F(SchedulingTest, RemovingRowsAboveARunningJobKeepsItsEventsOnItsRow)
{
    Start("", R"([{"path": "6000051", "action": "delay", "ms": 900}])");
    AddNumber("5123456");
    AddNumber("RE035136");
    AddNumber("6000051");
    auto record = RecordLaunches();
    SelectOnly({2});
    Menu(ID_OPEN);
    ASSERT_TRUE(PumpUntil([&] { return Status(0) == "Finished!" && Status(1) == "Finished!"; }));
    EXPECT_NE(Status(2), "Finished!");
    SelectOnly({0, 1});
    Menu(ID_REMOVE);
    ASSERT_EQ(List()->GetItemCount(), 1);
    EXPECT_EQ(Label(0), "6000051");
    ASSERT_TRUE(WatchRowsUntil([&] { return Status(0) == "Finished!"; }));
    EXPECT_TRUE(Shown("6000051", "Downloading page 2 of 2"));
    ASSERT_TRUE(PumpUntil([&] { return frame->RunningCount() == 0; }));
    ASSERT_EQ(record->calls.size(), 1u);
    EXPECT_EQ(record->calls[0], "open " + Pdf("6000051.pdf"));
    EXPECT_TRUE(record->pdfComplete[0]);
    // Removing rows leaves their files on disk.
    EXPECT_TRUE(FileExists(Pdf("5123456.pdf")));
}

TEST_F(SchedulingTest, ClosingStopsRunningJobsWithoutFinishing)
{
    Start("", slowPageFault);
    AddNumber("5123456");
    AddNumber("6000051");
    ASSERT_TRUE(PumpUntil([&] {
        return Status(0).StartsWith("Downloading page") && Status(1).StartsWith("Downloading page");
    }));
    CloseWindow();
    EXPECT_FALSE(Posted("Finished!"));
    EXPECT_EQ(PdfCount(), 0);
    EXPECT_TRUE(log.Errors().empty());
}

// Rows above the view that end come into it, one after the other, unless the
// user has just moved through the list. The simulator's 7000000 has no pages.
TEST_F(SchedulingTest, EndedRowsComeIntoViewUnlessTheUserScrolls)
{
    for (bool userScrolls : {false, true}) {
        SCOPED_TRACE(userScrolls);
        Start("max_threads=0\n");
        for (int i = 0; i < 10; ++i)
            AddNumber("7000000");
        if (userScrolls) {
            frame->Raise();
            List()->SetFocus();
            ASSERT_TRUE(PumpUntil([&] { wxWindow* focus = wxWindow::FindFocus();
                return focus && (focus == List() || focus->GetParent() == List()); }));
            wxUIActionSimulator().Char(WXK_PAGEDOWN);
        }
        PumpFor(100);
        const long bottomTop = List()->GetTopItem();
        ASSERT_GT(bottomTop, 0);
        // Setup raises the count to one: the rows run one at a time from the top.
        wxTEST_DIALOG(Menu(ID_SETUP), wxExpectAny(wxID_CANCEL).Describe("Setup dialog"));
        long highest = bottomTop;
        ASSERT_TRUE(PumpUntil([&] {
            highest = std::min(highest, List()->GetTopItem());
            return frame->RunningCount() == 0 && frame->WaitingCount() == 0;
        }));
        EXPECT_EQ(Status(0), "Not Found");
        EXPECT_EQ(highest, userScrolls ? bottomTop : 0);
        CloseWindow();
    }
}

}  // namespace
