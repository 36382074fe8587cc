#include "AppFixture.h"

#include "GuiTest.h"
#include "HungJobs.h"
#include "OfficeSim.h"

#include "app/MyApp.h"

#include <wx/app.h>
#include <wx/dir.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <functional>

namespace {

class WindowShutdown : public AppTest
{
protected:
    // Starts three jobs that hang at different stages, closes the window
    // with `close` and checks that it went promptly, leaving no file behind
    // and every setting stored.
    void CloseWithHungJobs(const std::function<void()>& close)
    {
        ASSERT_TRUE(sim.Running());
        sim.Reset();
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
        close();
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

    OfficeSim sim{"--quiet"};
};

TEST_F(WindowShutdown, ClosingWithThreeHungJobsEndsWithinTwoSecondsAndKeepsTheSettings)
{
    CloseWithHungJobs([&] { frame->Close(true); });
}

TEST_F(WindowShutdown, StopSignalsCloseTheWindowTheSameWay)
{
    MyApp::CloseMainWindowOnSignals();
    for (int stop : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(stop));
        CloseWithHungJobs([stop] { raise(stop); });
    }
    for (int stop : {SIGTERM, SIGINT, SIGHUP})
        wxTheApp->SetSignalHandler(stop, SIG_DFL);
    std::signal(SIGXFSZ, SIG_DFL);
}

}  // namespace
