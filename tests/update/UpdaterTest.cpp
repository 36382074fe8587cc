#include "UpdateTestHelpers.h"
#include "ClosedPort.h"

#include "GuiTest.h"
#include "SimTest.h"
#include "TempHome.h"
#include "update/updater.h"

#include <gtest/gtest.h>
#include <wx/filename.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

struct Result
{
    int code = -1;
    wxString path;
};

// Stands in for the main window: collects the thread's one result event.
class ResultCollector : public wxEvtHandler
{
public:
    ResultCollector()
    {
        Bind(EVT_UPDATE_RESULT, [this](wxThreadEvent& event) {
            ++count;
            result.code = event.GetInt();
            result.path = event.GetString();
        });
    }
    int count = 0;
    Result result;
};

class UpdaterTest : public SimTest
{
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        programDir = home.Dir("program dir");
        program = std::make_unique<ProgramPathOverride>(programDir + "/folioharvester");
    }

    Result Run(bool downloadMode, int* events = nullptr)
    {
        ResultCollector collector;
        auto* thread = new updater(downloadMode, &collector);
        EXPECT_EQ(thread->Create(), wxTHREAD_NO_ERROR);
        EXPECT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
        EXPECT_TRUE(PumpUntil([&] { return collector.count > 0; }, 20000));
        thread->Wait();
        delete thread;
        PumpFor(50);  // a second event would arrive now
        if (events)
            *events = collector.count;
        return collector.result;
    }

    void SetLatest(const std::string& text) { sim->Control("POST", "/_sim/latest", text); }

    std::vector<std::string> ProgramDirEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(programDir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    std::string programDir;
    std::unique_ptr<ProgramPathOverride> program;
};


TEST_F(UpdaterTest, CheckOnlyComparesTheServersNumberWithOurs)
{
    struct Case
    {
        const char* latest;
        int code;
    };
    const Case cases[] = {
        {"24", UPDATE_AVAILABLE},
        {"  \n24 is out", UPDATE_AVAILABLE},
        {"23", UPDATE_CURRENT},
        {"7", UPDATE_CURRENT},
        {"<html><body>Not Found</body></html>", UPDATE_FAILED},
        {"0", UPDATE_CURRENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.latest);
        SetLatest(c.latest);
        int events = 0;
        Result result = Run(false, &events);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(events, 1);
        EXPECT_TRUE(result.path.empty());
    }
    EXPECT_TRUE(ProgramDirEntries().empty());
}

TEST_F(UpdaterTest, DownloadSavesTheNewerProgramBesideTheRunningOne)
{
    struct Case
    {
        const char* latest;
        const char* fileName;
    };
    const Case cases[] = {{"24", "FolioHarvester-2.24.exe"}, {"105", "FolioHarvester-2.105.exe"}};
    const std::string program = std::string("\x7f" "ELF new program\0\1\2", 19);
    sim->Control("POST", "/_sim/download", program);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.latest);
        SetLatest(c.latest);
        Result result = Run(true);
        const std::string expected = programDir + "/" + c.fileName;
        EXPECT_EQ(result.code, UPDATE_DOWNLOADED);
        EXPECT_EQ(result.path.ToStdString(), expected);
        EXPECT_EQ(ReadFile(expected), program);
        EXPECT_TRUE(IsExecutable(expected));
    }
    EXPECT_EQ(ProgramDirEntries().size(), 2u) << "no temporary file left behind";
}

TEST_F(UpdaterTest, DownloadOfCurrentVersionDownloadsNothing)
{
    SetLatest("23");
    EXPECT_EQ(Run(true).code, UPDATE_CURRENT);
    EXPECT_EQ(sim->Log().find("/download.html"), std::string::npos);
}

TEST_F(UpdaterTest, ErrorPageFromDownloadIsAFailureAndLeavesNoFile)
{
    SetLatest("24");
    for (const char* answer : {R"({"status": 404})", R"({"status": 500})"}) {
        SCOPED_TRACE(answer);
        sim->Control("POST", "/_sim/download", answer);
        Result result = Run(true);
        EXPECT_EQ(result.code, UPDATE_FAILED);
        EXPECT_TRUE(result.path.empty());
        EXPECT_TRUE(ProgramDirEntries().empty());
    }
}

TEST_F(UpdaterTest, BrokenDownloadsKeepAnEarlierFileIntact)
{
    SetLatest("24");
    const std::string target = programDir + "/FolioHarvester-2.24.exe";
    WriteFile(target, "earlier complete download");
    sim->Faults(R"([{"service": "maker", "path": "/download.html", "action": "truncate"}])");
    EXPECT_EQ(Run(true).code, UPDATE_FAILED);
    sim->Faults(R"([{"service": "maker", "path": "/download.html", "action": "empty"}])");
    EXPECT_EQ(Run(true).code, UPDATE_FAILED);
    EXPECT_EQ(ReadFile(target), "earlier complete download");
    EXPECT_EQ(ProgramDirEntries().size(), 1u);
}

TEST_F(UpdaterTest, UnreachableServerIsAFailure)
{
    SetMakerHost("127.0.0.1:" + std::to_string(ClosedLoopbackPort()));
    for (bool downloadMode : {false, true}) {
        SCOPED_TRACE(downloadMode);
        EXPECT_EQ(Run(downloadMode).code, UPDATE_FAILED);
    }
    EXPECT_TRUE(ProgramDirEntries().empty());
}

TEST_F(UpdaterTest, TargetThatCannotBeReplacedIsAFailure)
{
    SetLatest("24");
    fs::create_directory(programDir + "/FolioHarvester-2.24.exe");
    EXPECT_EQ(Run(true).code, UPDATE_FAILED);
    EXPECT_TRUE(fs::is_directory(programDir + "/FolioHarvester-2.24.exe"));
    EXPECT_EQ(ProgramDirEntries().size(), 1u) << "no temporary file left behind";
}

TEST_F(UpdaterTest, StopRequestDuringAStalledQueryPostsNothing)
{
    sim->Faults(R"([{"service": "maker", "path": "/latest.html", "action": "hang"}])");
    ResultCollector collector;
    auto* thread = new updater(false, &collector);
    ASSERT_EQ(thread->Create(), wxTHREAD_NO_ERROR);
    ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    PumpUntil([&] { return sim->Log().find("/latest.html") != std::string::npos; }, 5000);
    thread->Delete(nullptr, wxTHREAD_WAIT_BLOCK);  // returns once the session saw the request
    delete thread;
    PumpFor(100);
    EXPECT_EQ(collector.count, 0);
}

TEST(UpdateFileName, KeepsAllDigitsOfTheVersion)
{
    EXPECT_EQ(updater::UpdateFileName(24), "FolioHarvester-2.24.exe");
    EXPECT_EQ(updater::UpdateFileName(5), "FolioHarvester-2.05.exe");
    EXPECT_EQ(updater::UpdateFileName(105), "FolioHarvester-2.105.exe");
}

}  // namespace
