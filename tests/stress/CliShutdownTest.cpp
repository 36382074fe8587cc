#include "CliProcess.h"
#include "HungJobs.h"
#include "OfficeSim.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

TEST(CliShutdown, StopSignalsEndThreeHungJobsAtEveryStageWithinTwoSeconds)
{
    TempHome home;
    OfficeSim sim("--quiet");
    ASSERT_TRUE(sim.Running());
    sim.WriteSettings(home.SettingsFile());
    const std::string folder = home.Dir("pdfs");
    for (int stop : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(stop));
        sim.Reset();
        HangTheirRequests(sim);
        std::vector<std::string> args{"fetch", "-j", "3"};
        for (const std::string& document : HungDocuments())
            args.push_back(document);
        CliProcess cli(args, folder);
        ASSERT_TRUE(WaitUntil([&] { return HungRequests(sim) == 3; }, 20000));
        ASSERT_TRUE(FileExists(folder + "/" + HungPartialPdf()));

        const auto start = std::chrono::steady_clock::now();
        cli.Signal(stop);
        const int exitCode = cli.Finish(5000);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(exitCode, 1);
        EXPECT_LT(seconds, 2.0);
        EXPECT_TRUE(FilesIn(folder).empty());
        for (const std::string& line : cli.Output())
            EXPECT_EQ(line.find("Finished!"), std::string::npos) << line;
    }
}

}  // namespace
