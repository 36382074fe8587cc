#include "AppFixture.h"

#include "GuiTest.h"
#include "HungJobs.h"
#include "OfficeSim.h"

#include <wx/dir.h>

#include <chrono>
#include <ctime>

namespace {

class WindowShutdown : public AppTest
{
protected:
    OfficeSim sim{"--quiet"};
};

TEST_F(WindowShutdown, ClosingWithThreeHungJobsEndsWithinTwoSecondsAndKeepsTheSettings)
{
    ASSERT_TRUE(sim.Running());
    const std::string saveDir = home.Dir("pdfs");
    WriteSettings("Path=" + saveDir + "\nlastCheck=" + std::to_string(time(nullptr)) +
                  "\nmax_threads=3\nproxyServer=proxy.test\n");
    sim.WriteSettings(home.SettingsFile());
    HangTheirRequests(sim);
    OpenWindow();
    for (const std::string& document : HungDocuments())
        AddNumber(document);
    ASSERT_TRUE(PumpUntil([&] { return HungRequests(sim) == 3; }, 20000));
    ASSERT_TRUE(FileExists(saveDir + "/" + HungPartialPdf()));
    frame->SetSize(480, 300);

    const auto start = std::chrono::steady_clock::now();
    frame->Close(true);
    const bool gone = PumpUntil([&] { return !frameRef; }, 5000);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(gone);
    frame = nullptr;
    EXPECT_LT(seconds, 2.0);

    wxArrayString left;
    wxDir::GetAllFiles(saveDir, &left);
    EXPECT_TRUE(left.empty()) << left.size() << " files left, first " << left[0];
    for (const char* key : {"Path", "max_threads", "exec", "proxyServer", "proxyPort", "proxyUser",
                            "proxyPass", "connectionType", "Version", "sizex", "sizey"})
        EXPECT_TRUE(StoredHas(key)) << key;
    EXPECT_EQ(StoredValue("max_threads"), "3");
    EXPECT_EQ(StoredValue("proxyServer"), "proxy.test");
    EXPECT_EQ(StoredValue("sizex"), "480");
    EXPECT_TRUE(log.Errors().empty());
}

}  // namespace
