#include "CliProcess.h"
#include "OfficeSim.h"
#include "SoakDocuments.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <set>

namespace {

struct FetchResult
{
    int exitCode = -1;
    Lines output;
    std::string errors;
    long peakRssKib = 0;
};

// Short countdown steps keep a retried fault cheap.
std::vector<std::string> FetchArgs(const std::vector<std::string>& documents)
{
    std::vector<std::string> args{"fetch", "-j", "3", "--retry-step-ms", "20"};
    args.insert(args.end(), documents.begin(), documents.end());
    return args;
}

bool EveryRowFinished(const Lines& output, size_t rows, std::string* firstFailure)
{
    const std::map<int, Lines> byRow = StatusesByRow(output);
    for (size_t row = 0; row < rows; ++row) {
        auto it = byRow.find(static_cast<int>(row));
        if (it == byRow.end() || it->second.empty() || it->second.back() != "Finished!") {
            *firstFailure = "row " + std::to_string(row) + ": " +
                            (it == byRow.end() || it->second.empty() ? "nothing" : it->second.back());
            return false;
        }
    }
    return true;
}

struct LoggedRequest
{
    std::string path;
    std::string fault;  // empty: none
};

// The path and fault of every entry of the simulator's JSON request log.
std::vector<LoggedRequest> ParseLog(const std::string& log)
{
    std::vector<LoggedRequest> requests;
    const std::string pathKey = "\"path\": \"";
    const std::string faultKey = "\"fault\": ";
    for (size_t at = log.find(pathKey); at != std::string::npos; at = log.find(pathKey, at)) {
        at += pathKey.size();
        LoggedRequest request;
        request.path = log.substr(at, log.find('"', at) - at);
        const size_t fault = log.find(faultKey, at);
        if (fault != std::string::npos && log.compare(fault + faultKey.size(), 1, "\"") == 0) {
            const size_t start = fault + faultKey.size() + 1;
            request.fault = log.substr(start, log.find('"', start) - start);
        }
        requests.push_back(request);
    }
    return requests;
}

const RequestKind* KindOf(const std::string& path)
{
    for (const RequestKind& kind : SoakRequestKinds())
        if (path.find(kind.path) != std::string::npos)
            return &kind;
    return nullptr;
}

class SoakTest : public ::testing::Test
{
protected:
    SoakTest()
    {
        if (!sim.Running())
            return;
        sim.WriteSettings(home.SettingsFile());
        sim.Control("POST", "/_sim/catalog", SoakCatalogJson());
    }

    FetchResult Fetch(const std::vector<std::string>& documents, const std::string& folder)
    {
        CliProcess cli(FetchArgs(documents), home.Dir(folder));
        FetchResult result;
        result.exitCode = cli.Finish(60000);
        result.output = cli.Output();
        result.errors = cli.Errors();
        result.peakRssKib = cli.PeakRssKib();
        return result;
    }

    // Every file of `folder` has a byte-identical twin in `twins`; how many.
    size_t ExpectTwinsIn(const std::string& folder, const std::string& twins)
    {
        const std::vector<std::string> names = FilesIn(home.Dir(folder));
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            const std::string twin = home.Dir(twins) + "/" + name;
            EXPECT_TRUE(FileExists(twin));
            EXPECT_TRUE(ReadFile(home.Dir(folder) + "/" + name) == ReadFile(twin));
        }
        return names.size();
    }

    TempHome home;
    OfficeSim sim{"--quiet"};
};

TEST_F(SoakTest, FiftyDocumentsUnderFaultsEndLikeTheirFaultFreeTwinsInFlatMemory)
{
    ASSERT_TRUE(sim.Running());
    const std::vector<std::string> documents = SoakDocuments();
    ASSERT_EQ(documents.size(), 50u);
    std::string failure;

    const FetchResult ten = Fetch({documents.begin(), documents.begin() + 10}, "ten");
    ASSERT_EQ(ten.exitCode, 0) << ten.errors;

    const FetchResult clean = Fetch(documents, "clean");
    ASSERT_EQ(clean.exitCode, 0) << clean.errors;
    ASSERT_TRUE(EveryRowFinished(clean.output, documents.size(), &failure)) << failure;
    ASSERT_EQ(FilesIn(home.Dir("clean")).size(), documents.size());
    sim.Reset();

    sim.Faults(SoakFaultsJson(6));
    const FetchResult faulty = Fetch(documents, "faulty");
    const std::string log = sim.Log();
    EXPECT_EQ(faulty.exitCode, 0) << faulty.errors;
    EXPECT_TRUE(EveryRowFinished(faulty.output, documents.size(), &failure)) << failure;
    EXPECT_EQ(ExpectTwinsIn("faulty", "clean"), documents.size());

    // Which faults hit which kind of request.
    std::map<std::string, std::map<std::string, int>> table;
    size_t requests = 0;
    size_t faults = 0;
    for (const LoggedRequest& request : ParseLog(log)) {
        ++requests;
        const RequestKind* kind = KindOf(request.path);
        ASSERT_NE(kind, nullptr) << request.path;
        if (request.fault.empty())
            continue;
        ++faults;
        ++table[kind->name][request.fault];
        EXPECT_NE(std::find(kind->actions.begin(), kind->actions.end(), request.fault),
                  kind->actions.end())
            << request.fault << " hit " << request.path;
    }
    for (const auto& [kind, actions] : table)
        for (const auto& [action, count] : actions)
            std::printf("soak: %-18s %-8s %d\n", kind.c_str(), action.c_str(), count);
    std::set<std::string> fired;
    for (const auto& [kind, actions] : table)
        for (const auto& [action, count] : actions)
            fired.insert(action);
    for (const char* action : {"reset", "refuse", "delay", "truncate", "empty", "status", "html"})
        EXPECT_TRUE(fired.count(action)) << action << " never fired";
    // About one request in ten fails (retries are requests too).
    EXPECT_GT(faults * 100, requests * 5) << faults << " of " << requests;
    EXPECT_LT(faults * 100, requests * 18) << faults << " of " << requests;

    std::printf("soak: %zu requests, %zu faults; peak RSS of the command: "
                "10 documents %ld KiB, 50 documents %ld KiB, 50 under faults %ld KiB\n",
                requests, faults, ten.peakRssKib, clean.peakRssKib, faulty.peakRssKib);
    RecordProperty("peak_rss_kib_10", static_cast<int>(ten.peakRssKib));
    RecordProperty("peak_rss_kib_50", static_cast<int>(clean.peakRssKib));
    RecordProperty("peak_rss_kib_50_faults", static_cast<int>(faulty.peakRssKib));
    const long mib = 1024;
    EXPECT_GT(ten.peakRssKib, 0);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Sanitizer runtimes hold freed memory back on purpose; the bounds below
    // speak of the program, not of them.
    return;
#endif
    EXPECT_LT(clean.peakRssKib, 64 * mib);
    EXPECT_LT(faulty.peakRssKib, 64 * mib);
    EXPECT_LT(clean.peakRssKib - ten.peakRssKib, 4 * mib);
    EXPECT_LT(faulty.peakRssKib - ten.peakRssKib, 4 * mib);
}

TEST_F(SoakTest, StoppedRunLeavesOnlyWholeDocuments)
{
    ASSERT_TRUE(sim.Running());
    std::vector<std::string> documents = SoakDocuments();
    documents.resize(24);
    const FetchResult clean = Fetch(documents, "clean");
    ASSERT_EQ(clean.exitCode, 0) << clean.errors;

    // Faults as in the soak, every other request slowed, so jobs are caught
    // in the middle of their pages.
    std::string faults = SoakFaultsJson(10);
    faults.insert(faults.size() - 1, R"(, {"action": "delay", "ms": 60})");
    sim.Faults(faults);
    CliProcess cli(FetchArgs(documents), home.Dir("stopped"));
    auto finishedRows = [](const Lines& lines) {
        std::set<int> rows;
        for (const auto& [row, statuses] : StatusesByRow(lines))
            if (!statuses.empty() && statuses.back() == "Finished!")
                rows.insert(row);
        return rows;
    };
    // Stopped once some documents are done and some job is among its pages.
    auto midway = [&](const Lines& lines) {
        const std::set<int> finished = finishedRows(lines);
        for (const auto& [row, statuses] : StatusesByRow(lines))
            if (!finished.count(row) && !statuses.empty() &&
                statuses.back().rfind("Downloading page", 0) == 0)
                return true;
        return false;
    };
    ASSERT_TRUE(cli.ReadUntil(
        [&](const Lines& lines) { return finishedRows(lines).size() >= 6 && midway(lines); }, 40000))
        << cli.Errors();
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Finish(5000), 1);

    const size_t finished = finishedRows(cli.Output()).size();
    EXPECT_LT(finished, documents.size());
    // A partial file could not equal its whole twin. A job stopped between
    // completing its file and announcing it may leave a whole one; beyond
    // that, any file would be one too many.
    const size_t files = ExpectTwinsIn("stopped", "clean");
    EXPECT_GE(files, finished);
    EXPECT_LE(files, finished + 3);
}

}  // namespace
