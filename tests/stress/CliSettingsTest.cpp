#include "CliProcess.h"
#include "OfficeSim.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

// A count the fetch could never reach (0, negative, no number) must not
// leave it waiting for ever.
TEST(CliSettings, WrongRootValuesStillFetch)
{
    const char* const cases[] = {
        "max_threads=-5\nconnectionType=7\nposx=abc\nsizex=2147483647\n",
        "max_threads=0\nconnectionType=-1\nlastCheck=-1\n",
        "max_threads=x\nconnectionType=2\nproxyServer=127.0.0.1\nproxyPort=abc\n",
        "max_threads=99999999999999999999\nPath=/nonexistent\nproxyPass=\x01\x7f\n",
    };
    for (const char* lines : cases) {
        SCOPED_TRACE(lines);
        TempHome home;
        OfficeSim sim("--quiet");
        ASSERT_TRUE(sim.Running());
        WriteFile(home.SettingsFile(), lines);
        sim.WriteSettings(home.SettingsFile());
        const std::string folder = home.Dir("pdfs");
        CliProcess cli({"fetch", "5123456", "EP1000000"}, folder);
        EXPECT_EQ(cli.Finish(30000), 0) << cli.Errors();
        EXPECT_EQ(FilesIn(folder).size(), 2u);
    }
}

// The connection type is read as the window reads it: a value beyond int
// is "AUTO", never a proxy it would turn into when cut to int.
TEST(CliSettings, ConnectionTypeOutsideItsChoicesIsAuto)
{
    TempHome home;
    OfficeSim sim("--quiet");
    ASSERT_TRUE(sim.Running());
    WriteFile(home.SettingsFile(), "connectionType=4294967298\nproxyServer=127.0.0.1\nproxyPort=1\n");
    sim.WriteSettings(home.SettingsFile());
    const std::string folder = home.Dir("pdfs");
    CliProcess cli({"fetch", "--retry-step-ms", "20", "9/836917"}, folder);  // the search uses the settings
    EXPECT_EQ(cli.Finish(20000), 0) << cli.Errors();
    EXPECT_EQ(FilesIn(folder).size(), 1u);
}

// Host values that name no server are never contacted and leave no file.
TEST(CliSettings, HostValuesThatNameNoServerFailPlainly)
{
    TempHome home;
    WriteFile(home.SettingsFile(), "[hosts]\npatentImages1=127.0.0.1:1 /../x\n"
                                   "patentImages2=/etc/passwd\nops=127.0.0.1:99999\n"
                                   "applicationSearch=a b\n[services]\nus=classic\nother=classic\n");
    const std::string folder = home.Dir("pdfs");
    CliProcess cli({"fetch", "-j", "4", "--retry-step-ms", "20", "5123400", "5123456", "EP1000000",
                    "9/836917"},
                   folder);
    auto hasStatus = [](const Lines& lines, int row, const std::string& fragment) {
        const auto byRow = StatusesByRow(lines);
        auto it = byRow.find(row);
        if (it == byRow.end())
            return false;
        for (const std::string& status : it->second)
            if (status.find(fragment) != std::string::npos)
                return true;
        return false;
    };
    ASSERT_TRUE(cli.ReadUntil(
        [&](const Lines& lines) {
            return hasStatus(lines, 0, "Reconnecting") && hasStatus(lines, 1, "Reconnecting") &&
                   hasStatus(lines, 2, "Connection Error") && hasStatus(lines, 3, "Reconnecting");
        },
        10000))
        << cli.Errors();
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Finish(5000), 1);
    EXPECT_TRUE(FilesIn(folder).empty());
    EXPECT_EQ(FilesIn(home.Path()), std::vector<std::string>{".FolioHarvester"});
}

}  // namespace
