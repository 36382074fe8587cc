#include "CliProcess.h"
#include "SimFixture.h"

#include "jobs/JobRoute.h"
#include "settings/SettingsStore.h"

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

// The lines of each row, in the order printed; every line names its row.
std::map<int, Lines> ByRow(const Lines& lines)
{
    for (const std::string& line : lines)
        EXPECT_NE(line.find('\t'), std::string::npos) << line;
    return StatusesByRow(lines);
}

size_t IndexOf(const Lines& lines, const std::string& line)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line)
            return i;
    return lines.size();
}

class FetchCommand : public SimFixture
{
protected:
    // Rewrites the simulator's [services] lines; null drops the key.
    void ChooseRoutes(const char* us, const char* other)
    {
        std::istringstream in(ReadFile(home.SettingsFile()));
        std::string text;
        for (std::string line; std::getline(in, line);) {
            if (line == "us=classic" || line == "other=classic") {
                const char* value = line[0] == 'u' ? us : other;
                if (!value)
                    continue;
                line = line.substr(0, line.find('=') + 1) + value;
            }
            text += line + "\n";
        }
        WriteFile(home.SettingsFile(), text);
    }
};

// Each kind of document goes by the route [services] chooses for it; a
// missing or unknown choice is the default, ppubs for US documents and ops
// for the others'.
TEST_F(FetchCommand, TheSettingsChooseEachKindsRoute)
{
    const Lines finished{"Finished!"};
    const Lines& ppubs = finished;
    const Lines& ops = finished;
    struct Case
    {
        const char* us;
        const char* other;
        Lines usStatuses, otherStatuses;
        const char* warning;
    };
    const Case cases[] = {
        {"classic", "ops", finished, ops, nullptr},
        {"ops", "classic", ops, finished, nullptr},
        {"ppubs", "ops", ppubs, ops, nullptr},
        {nullptr, nullptr, ppubs, ops, nullptr},
        {"patft", "ppubs", ppubs, ops, "[services] us=patft is not one of ppubs, ops, classic: ppubs is used"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.us ? c.us : "-") + " " + (c.other ? c.other : "-"));
        sim->WriteSettings(home.SettingsFile());
        ChooseRoutes(c.us, c.other);
        std::filesystem::remove(InCwd("5123456.pdf"));
        std::filesystem::remove(InCwd("EP1000000.pdf"));
        ClearLog();
        CliProcess cli({"fetch", "5123456", "EP1000000"});
        const bool bothFinish = c.usStatuses == finished && c.otherStatuses == finished;
        EXPECT_EQ(cli.Finish(60000), bothFinish ? 0 : 1) << cli.Errors();
        std::map<int, Lines> rows = ByRow(cli.Output());
        // Of the fetching jobs only the last line is compared.
        auto seen = [](const Lines& row, const Lines& expected) {
            return expected == Lines{"Finished!"} && !row.empty() ? Lines{row.back()} : row;
        };
        EXPECT_EQ(seen(rows[0], c.usStatuses), c.usStatuses);
        EXPECT_EQ(seen(rows[1], c.otherStatuses), c.otherStatuses);
        if (c.warning) {
            EXPECT_NE(cli.Errors().find(c.warning), std::string::npos) << cli.Errors();
        }
        const bool usByOps = c.us && std::string(c.us) == "ops";
        const bool otherByOps = !(c.other && std::string(c.other) == "classic");
        const bool usByPpubs = c.usStatuses == ppubs && !usByOps && std::string(c.us ? c.us : "") != "classic";
        EXPECT_EQ(RequestsMatching("/dirsearch-public/print/downloadPdf/5123456").size(), usByPpubs ? 1u : 0u);
        EXPECT_EQ(RequestsMatching("/3.2/rest-services/published-data/publication/epodoc/US5123456/").size(),
                  usByOps ? 1u : 0u);
        EXPECT_EQ(RequestsMatching("/3.2/rest-services/published-data/publication/epodoc/EP1000000/").size(),
                  otherByOps ? 1u : 0u);
    }
}

TEST_F(FetchCommand, FetchesEveryDocumentAndPrintsEachStatusOfItsRow)
{
    CliProcess cli({"fetch", "-j", "2", "5,123,456", "EP1000000", "D365123"});
    ASSERT_EQ(cli.Finish(60000), 0) << cli.Errors();
    std::map<int, Lines> rows = ByRow(cli.Output());
    EXPECT_EQ(rows[0], (Lines{"Downloading", "Downloading", "Downloading page 1 of 3",
                              "Downloading page 2 of 3", "Downloading page 3 of 3", "Finished!"}));
    EXPECT_EQ(rows[1], (Lines{"Downloading", "Downloading from worldwide.espacenet.com",
                              "Downloading page 1 of 2", "Downloading page 2 of 2", "Finished!"}));
    EXPECT_EQ(rows[2].back(), "Finished!");
    EXPECT_EQ(QpdfPages(InCwd("5123456.pdf")), 3);
    EXPECT_EQ(QpdfPages(InCwd("EP1000000.pdf")), 2);
    EXPECT_EQ(QpdfPages(InCwd("D365123.pdf")), 2);
    // At most two at once: the third starts only after one of the first ended.
    const Lines& all = cli.Output();
    size_t thirdStarts = IndexOf(all, "2\tDownloading");
    EXPECT_GT(thirdStarts, std::min(IndexOf(all, "0\tFinished!"), IndexOf(all, "1\tFinished!")));

    CliProcess again({"fetch", "5123456"});
    EXPECT_EQ(again.Finish(20000), 0);
    EXPECT_EQ(again.Output().back(), "0\tPreviously Downloaded!");
}

// Row i is the i-th argument, whatever its shape.
TEST_F(FetchCommand, AnInvalidEntryOrAFailedJobGivesExitCodeOne)
{
    CliProcess cli({"fetch", "bogus", "5123456", "7000000", "hello"});
    EXPECT_EQ(cli.Finish(30000), 1);
    EXPECT_NE(cli.Errors().find("\"bogus\" -- Unknown Format"), std::string::npos) << cli.Errors();
    std::map<int, Lines> rows = ByRow(cli.Output());
    EXPECT_EQ(rows[0], Lines{"\"bogus\" -- Unknown Format"});
    EXPECT_EQ(rows[1].back(), "Finished!");
    EXPECT_EQ(rows[2].back(), "Not Found");
    // US by its first letter, but no US number: no job that could only fail.
    EXPECT_EQ(rows[3], Lines{"\"hello\" -- Unknown Format"});
    EXPECT_NE(cli.Errors().find("1 finished, 0 previously downloaded, 1 failed, 2 invalid\n"
                                "failed: 7000000: Not Found\n"),
              std::string::npos) << cli.Errors();
}

// One row per document of the arguments and the list, one per invalid
// line; every document fetched once; the report has a line per row.
TEST_F(FetchCommand, AListFileAddsEachNewDocumentOnceAndReportsEveryRow)
{
    const std::string list =
        "\xEF\xBB\xBF# cited in the search report\n"
        "5,123,456\n"
        "\n"
        "D365123\r\n"
        "EP1000000\n"
        "5123456\n"
        "  # examiner's citations\n"
        "ABC\n"
        "RE035136\n"
        "   \n"
        "20020000001\n"
        "D0365123\n"
        "ep1000000\n"
        "WO2004/012345\n"
        "?!x\n"
        "PP012835\n"
        "5 123 456\n"
        + std::string(201, '5') + "\n"
        "X0000001\n"
        "# family members\n"
        "H0001520\n"
        "T0106201\n"
        "\n"
        "AI000318\n"
        "EP 1000000\n"
        "RE35136\n"
        "US-5123456\n"
        "20,020,000,001\n"
        "# end\n"
        "PP12835\n"
        + std::string("D36\0" "5123", 8);
    WriteFile(InCwd("list.txt"), list);
    CliProcess cli({"fetch", "-j", "4", "EP1000000", "--from", "list.txt", "--report", "report.csv"});
    EXPECT_EQ(cli.Finish(120000), 1) << cli.Errors();

    const std::map<int, Lines> rows = ByRow(cli.Output());
    const std::vector<std::string> entries = {
        "EP1000000", "5,123,456", "D365123", "ABC", "RE035136", "20020000001", "WO2004/012345", "?!x",
        "PP012835", std::string(200, '5'), "X0000001", "H0001520", "T0106201", "AI000318", "US-5123456",
        "D36\xEF\xBF\xBD" "5123"};
    const std::map<int, std::string> invalid = {{3, "\"ABC\" -- Unknown Format"},
                                                {7, "\"?!x\" -- Unknown Format"},
                                                {9, "Entry longer than 200 characters"},
                                                {14, "\"US-5123456\" -- Unknown Format"},
                                                {15, "Entry holding a NUL byte"}};
    ASSERT_EQ(rows.size(), entries.size());
    for (const auto& [row, lines] : rows) {
        SCOPED_TRACE(entries[row]);
        if (invalid.count(row))
            EXPECT_EQ(lines, Lines{invalid.at(row)});
        else
            EXPECT_EQ(lines.back(), "Finished!");
    }
    // The page list of each document, asked for once.
    for (const char* document : {"5123456", "D0365123", "RE035136", "20020000001", "PP012835", "X0000001",
                                 "H0001520", "T0106201", "AI000318"}) {
        SCOPED_TRACE(document);
        EXPECT_EQ(RequestsMatching(std::string("w?Docid=") + document + "&").size(), 1u);
    }
    EXPECT_EQ(RequestsMatching("/EP1000000/images").size(), 1u);
    EXPECT_EQ(RequestsMatching("/WO2004/012345/images").size(), 1u);
    EXPECT_NE(cli.Errors().find("list.txt:8: \"ABC\" -- Unknown Format\n"), std::string::npos)
        << cli.Errors();
    EXPECT_NE(cli.Errors().find("list.txt:31: Entry holding a NUL byte\n"), std::string::npos) << cli.Errors();
    EXPECT_NE(cli.Errors().find("11 finished, 0 previously downloaded, 0 failed, 5 invalid, "
                                "9 duplicates skipped\n"),
              std::string::npos) << cli.Errors();

    std::istringstream report(ReadFile(InCwd("report.csv")));
    Lines reportLines;
    for (std::string line; std::getline(report, line);)
        reportLines.push_back(line);
    ASSERT_EQ(reportLines.size(), entries.size() + 1);
    EXPECT_EQ(reportLines[0], "entry,number,status,file\r");
    EXPECT_EQ(reportLines[2], "\"5,123,456\",5123456,Finished!," + InCwd("5123456.pdf") + "\r");
    EXPECT_EQ(reportLines[4], "ABC,,\"\"\"ABC\"\" -- Unknown Format\",\r");
}

#ifndef _WIN32  // no terminal on Windows
// On a terminal each row ends as one line (row, entry, page, status), the
// rows under way redrawn in place above nothing else.
TEST_F(FetchCommand, OnATerminalEachRowShowsItsPageAndStatusInPlace)
{
    ChooseRoutes("ppubs", "classic");
    CliProcess cli({"fetch", "5123456", "bogus", "EP1000000", "9/836917"}, "", RLIM_INFINITY, true);
    EXPECT_EQ(cli.Finish(60000), 1) << cli.Errors();
    std::string screen;
    for (const std::string& line : cli.Output())
        screen += line + "\n";
    EXPECT_EQ(screen.find('\t'), std::string::npos) << screen;
    EXPECT_NE(screen.find("\r\x1b[2A\x1b[J"), std::string::npos) << screen;
    // The last row ends wider than the terminal's 100 columns: it is printed whole.
    for (const char* row : {"   0  5123456                  3/3  Finished!\r\n",
                            "   1  bogus                         \"bogus\" -- Unknown Format\r\n",
                            "   2  EP1000000                2/2  Finished!\r\n",
                            "   3  9/836917                      US serial numbers cannot be fetched from Patent "
                            "Public Search: enter the publication number\r\n"})
        EXPECT_NE(screen.find(row), std::string::npos) << row << "\nin\n" << screen;
    EXPECT_NE(cli.Errors().find("2 finished, 0 previously downloaded, 1 failed, 1 invalid\n"),
              std::string::npos) << cli.Errors();
}
#endif

// Country codes that begin like a US series, and a "/" in the number, still
// go to the other office; the "/" never names a folder.
TEST_F(FetchCommand, OtherOfficeNumbersThatPassTheUsTestsComeFromTheOtherOffice)
{
    CliProcess cli({"fetch", "-j", "2", "WO2004/012345", "DE10100001"});
    ASSERT_EQ(cli.Finish(120000), 0) << cli.Errors();
    EXPECT_EQ(QpdfPages(InCwd("WO2004-012345.pdf")), 3);
    EXPECT_EQ(QpdfPages(InCwd("DE10100001.pdf")), 100);
    EXPECT_FALSE(std::filesystem::exists(InCwd("WO2004")));
    EXPECT_EQ(RequestsMatching("/epodoc/").size(), 2u);
}

TEST_F(FetchCommand, StoredMaxThreadsLetsOneJobRunAtATime)
{
    const std::string settings = ReadFile(home.SettingsFile());
    WriteFile(home.SettingsFile(), "max_threads=1\n" + settings);
    CliProcess cli({"fetch", "D365123", "EP1000000"});
    ASSERT_EQ(cli.Finish(60000), 0) << cli.Errors();
    const Lines& all = cli.Output();
    EXPECT_GT(IndexOf(all, "1\tDownloading"), IndexOf(all, "0\tFinished!"));
    EXPECT_EQ(ReadFile(home.SettingsFile()), "max_threads=1\n" + settings);  // never written
}

// Each front end explains itself on stdout; an unknown command gets the
// usage on stderr. The test-only option stays out of the usage.
TEST(CommandLineHelp, HelpPrintsTheWholeUsageAndAnUnknownCommandIsAnError)
{
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
        std::string firstLine;
    };
    const Case cases[] = {
        {{"--help"}, 0, "usage: folioharvester-cli [--settings FILE] COMMAND [ARGUMENTS]"},
        {{"fetch", "--help"}, 0, "usage: folioharvester-cli fetch [-j N] [--ocr] [--from FILE] [--report FILE]"},
        {{"classify", "--help"}, 0, "usage: folioharvester-cli classify ENTRY"},
        {{"assemble", "--help"}, 0, "usage: folioharvester-cli assemble OUT.pdf PAGE.tif..."},
        {{"check", "--help"}, 0, "usage: folioharvester-cli check [--settings FILE] [--trace FILE]"},
        {{"check", "5123456"}, 64, "usage: folioharvester-cli check [--settings FILE] [--trace FILE]"},
        {{"download", "5123456"}, 64, "usage: folioharvester-cli [--settings FILE] COMMAND [ARGUMENTS]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        CliProcess cli(c.args);
        EXPECT_EQ(cli.Finish(10000), c.exitCode);
        const std::string usage =
            c.exitCode == 0 ? (cli.Output().empty() ? "" : cli.Output()[0]) : cli.Errors();
        EXPECT_EQ(usage.substr(0, usage.find('\n')), c.firstLine);
        std::string all;
        for (const std::string& line : cli.Output())
            all += line + "\n";
        EXPECT_EQ(all.find("retry-step"), std::string::npos);
        if (c.exitCode == 0 && (c.args[0] == "--help" || c.args[0] == "fetch" || c.args[0] == "check")) {
            for (const char* topic : {userSettingsPlace, "us=ppubs|ops|classic", "ep=auto|eps|ops",
                                      "other=ops|classic", "FOLIOHARVESTER_OPS_KEY", "developers.epo.org",
                                      "File > Setup > Services", "--settings FILE", "--trace FILE",
                                      "Exit status:"})
                EXPECT_NE(all.find(topic), std::string::npos) << topic;
        }
    }
}

// Wrong counts and a fetch of nothing are said in one line, before any
// settings are read.
TEST(CommandLineUsage, AFetchOfNothingOrAWrongCountIsOneLineAndExit64)
{
    const std::string count = "folioharvester-cli: -j needs the number of downloads at once, 1 or more";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"fetch"}, "folioharvester-cli: no entries to fetch: give their numbers, or --from FILE\n"},
        {{"fetch", "-j", "0", "5123456"}, count + ": 0\n"},
        {{"fetch", "-j", "-3", "5123456"}, count + ": -3\n"},
        {{"fetch", "-j", "two", "5123456"}, count + ": two\n"},
        {{"fetch", "5123456", "-j"}, count + "\n"},
    };
    for (const auto& [args, error] : cases) {
        SCOPED_TRACE(args.back());
        CliProcess cli(args);
        EXPECT_EQ(cli.Finish(10000), 64);
        EXPECT_EQ(cli.Errors(), error);
        EXPECT_TRUE(cli.Output().empty());
    }
}

// --settings FILE is read instead of the settings in HOME, before the
// command or among its options; a file that cannot be read is one line
// and exit 64 before anything is asked.
TEST_F(FetchCommand, TheSettingsOptionNamesTheFileToReadInsteadOfHomes)
{
    const std::string settings = home.Dir("elsewhere") + "/demo settings";
    std::filesystem::rename(home.SettingsFile(), settings);
    const std::string missing = home.Path() + "/none.ini";
    struct Case
    {
        std::vector<std::string> args;
        int exitCode;
        std::string error;  // the whole standard error when the run is refused
    };
    const Case cases[] = {
        {{"--settings", settings, "fetch", "5123456"}, 0, ""},
        {{"fetch", "D365123", "--settings", settings}, 0, ""},
        {{"--settings", settings, "check"}, 0, ""},
        {{"--settings", missing, "fetch", "RE035136"}, 64,
         "folioharvester-cli: --settings " + missing + ": No such file or directory\n"},
        {{"fetch", "--settings", home.Path(), "RE035136"}, 64,
         "folioharvester-cli: --settings " + home.Path() + ": a folder, not a settings file\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        CliProcess cli(c.args);
        EXPECT_EQ(cli.Finish(60000), c.exitCode) << cli.Errors();
        if (c.exitCode == 64) {
            EXPECT_EQ(cli.Errors(), c.error);
        }
    }
    EXPECT_EQ(QpdfPages(InCwd("5123456.pdf")), 3);
    EXPECT_EQ(QpdfPages(InCwd("D365123.pdf")), 2);
    EXPECT_TRUE(RequestsMatching("RE035136").empty()) << "nothing fetched for the refused runs";
    EXPECT_EQ(RequestsMatching("/proxyTest.htm").size(), 1u) << "check asked the file's update server";
    EXPECT_FALSE(FileExists(home.SettingsFile())) << "HOME's file neither read nor made";
}

// `check` asks each service of the chosen routes and the update server,
// through the settings fetch reads, a line each as it goes, and exits 1 when
// one fails.
TEST_F(FetchCommand, CheckPrintsALineForEachServiceAndFailsWhenOneFails)
{
    sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::defaults);
    const std::string settings = ReadFile(home.SettingsFile());
    const std::string ppubs = "USPTO Patent Public Search (" + sim->PpubsUrl(false, true) + "): ";
    const std::string images = "USPTO Patent Public Search images (" + sim->PpubsUrl(true, true) + "): ";
    const std::string ops = "EPO Open Patent Services (" + sim->OpsUrl(true) + "): ";
    const std::string maker = "OK     Update server (" + sim->Host("maker") + "): reachable; its proxy test page came";
    const std::string searched = "OK     " + ppubs + "reachable, TLS trusted; page, session and search work: "
                                                    "6103599 has 12 pages";
    const std::string pdf = "OK     " + images + "reachable, TLS trusted; the PDF of 6103599 came (";
    struct Case
    {
        const char* name;
        const char* acceptedSecret;   // what the simulator takes instead of the stored one; null: the stored
        const char* ppubsUrl;         // instead of the simulator's
        Lines starts;                 // each line's start
        int exitCode;
    };
    const Case cases[] = {
        {"every service works", nullptr, nullptr,
         {searched, pdf, "OK     " + ops + "reachable, TLS trusted; key accepted; throttling idle; images green "
                         "200/min, inpadoc green 60/min, other green 1000/min, retrieval green 200/min, search green "
                         "30/min; quota used ",
          maker},
         0},
        {"a refused secret", "another-secret", nullptr,
         {searched, pdf,
          "FAILED " + ops + "reachable, TLS trusted; EPO OPS key or secret refused: File > Setup > Services", maker},
         1},
        {"no such host", nullptr, "https://ppubs.invalid",
         {"FAILED USPTO Patent Public Search (https://ppubs.invalid): cannot resolve ppubs.invalid: is this "
          "computer online?",
          pdf, "OK     " + ops, maker},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim->Reset();
        if (c.acceptedSecret)
            sim->Control("POST", "/_sim/ops", std::string(R"({"secret": ")") + c.acceptedSecret + "\"}");
        std::string changed = settings;
        if (c.ppubsUrl)
            changed.replace(changed.find("=" + sim->PpubsUrl(false, true) + "\n") + 1,
                            sim->PpubsUrl(false, true).size(), c.ppubsUrl);
        WriteFile(home.SettingsFile(), changed);
        const std::string trace = home.Path() + "/check-trace.txt";
        CliProcess cli({"check", "--trace", trace});
        EXPECT_EQ(cli.Finish(60000), c.exitCode) << cli.Errors();
        ASSERT_EQ(cli.Output().size(), c.starts.size()) << cli.Output().front();
        for (size_t i = 0; i < c.starts.size(); ++i)
            EXPECT_EQ(cli.Output()[i].substr(0, c.starts[i].size()), c.starts[i]);
        EXPECT_EQ(ReadFile(home.SettingsFile()), changed) << "read, never written";
        const std::string traced = ReadFile(trace);
        EXPECT_NE(traced.find("/3.2/auth/accesstoken"), std::string::npos);
        EXPECT_EQ(traced.find(OfficeSim::opsSecret), std::string::npos) << "no secret in the trace";
    }
    EXPECT_EQ(RequestsMatching("/api/searches/searchWithBeFamily").size(), 2u);
    EXPECT_EQ(RequestsMatching("/dirsearch-public/print/downloadPdf/6103599").size(), 3u);
    EXPECT_EQ(RequestsMatching("/publication/epodoc/EP1000000/images").size(), 2u) << "only with a token";
}

// EP documents chosen to come from the publication server get its line: a
// known document found, the weekly quota its answers tell, or the block.
TEST_F(FetchCommand, CheckAsksThePublicationServerWhenEpDocumentsComeFromIt)
{
    sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::defaults);
    std::string settings = ReadFile(home.SettingsFile());
    settings.replace(settings.find("ep=auto"), 7, "ep=eps");
    WriteFile(home.SettingsFile(), settings);
    const std::string eps = "EPO publication server (" + sim->EpsUrl(true) + "): reachable, TLS trusted; ";
    const struct
    {
        const char* faults;
        std::string line;  // its start
        int exitCode;
    } cases[] = {
        {"[]", "OK     " + eps + "EP1000000 is there as EP1000000NWA1; weekly quota used ", 0},
        {R"([{"service": "eps", "path": "/patents/", "action": "blocked"}])",
         "FAILED " + eps + "EPO publication server: download limit reached for this address; weekly quota", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        sim->Reset();
        sim->Faults(c.faults);
        CliProcess cli({"check"});
        EXPECT_EQ(cli.Finish(60000), c.exitCode) << cli.Errors();
        ASSERT_EQ(cli.Output().size(), 5u);
        EXPECT_EQ(cli.Output()[2].substr(0, c.line.size()), c.line);
        EXPECT_EQ(cli.Output()[3].rfind("OK     EPO Open Patent Services", 0), 0u) << cli.Output()[3];
    }
}

// Signals, broken pipes and file-size limits are Linux's.
#ifndef _WIN32
std::vector<std::string> PdfsIn(const std::string& dir)
{
    std::vector<std::string> pdfs;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".pdf")
            pdfs.push_back(entry.path().filename().string());
    return pdfs;
}

TEST_F(FetchCommand, TermSignalStopsRunningJobsPromptlyAndLeavesNoPartialFile)
{
    sim->Faults(R"([{"path": "PageNum=2", "action": "hang"},
                    {"service": "ops", "path": "Range=2", "action": "hang"}])");
    CliProcess cli({"fetch", "5123456", "EP1000000", "D365123", "-j", "2", "--report", "report.csv"});
    ASSERT_TRUE(cli.ReadUntil(
        [](const Lines& lines) {
            return IndexOf(lines, "0\tDownloading page 2 of 3") < lines.size()
                   && IndexOf(lines, "1\tDownloading page 2 of 2") < lines.size();
        },
        20000));
    const auto start = std::chrono::steady_clock::now();
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Finish(5000), 1);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
    EXPECT_TRUE(PdfsIn(home.Path()).empty());
    EXPECT_EQ(IndexOf(cli.Output(), "2\tDownloading"), cli.Output().size());
    EXPECT_NE(cli.Errors().find("Stopped 2 documents.\n"), std::string::npos) << cli.Errors();
    EXPECT_EQ(ReadFile(InCwd("report.csv")), "entry,number,status,file\r\n"
                                             "5123456,5123456,Stopped,\r\n"
                                             "EP1000000,EP1000000,Stopped,\r\n"
                                             "D365123,D365123,Not Started,\r\n");
}

TEST_F(FetchCommand, AFetchKilledMidDocumentLeavesNoDocumentAndTheNextFetchDownloadsIt)
{
    sim->Faults(R"([{"path": "Docid=5123456&PageNum=2", "action": "hang"}])");
    {
        CliProcess killed({"fetch", "5123456"});
        ASSERT_TRUE(killed.ReadUntil(
            [](const Lines& lines) { return Printed(lines, "0\tDownloading page 2 of 3"); }, 20000));
        killed.Signal(SIGKILL);
        killed.Finish(5000);
    }
    EXPECT_FALSE(FileExists(InCwd("5123456.pdf")));
    sim->Faults("[]");

    CliProcess again({"fetch", "5123456"});
    ASSERT_EQ(again.Finish(30000), 0) << again.Errors();
    EXPECT_EQ(again.Output().back(), "0\tFinished!");
    EXPECT_EQ(QpdfPages(InCwd("5123456.pdf")), 3);
}

TEST_F(FetchCommand, AReaderThatGoesAwayStopsTheRunAndLeavesNoFile)
{
    sim->Faults(R"([{"path": "PageNum=", "action": "delay", "ms": 300}])");
    const std::string folder = home.Dir("pdfs");
    CliProcess cli({"fetch", "5123456"}, folder);
    ASSERT_TRUE(cli.ReadUntil(
        [](const Lines& lines) { return Printed(lines, "0\tDownloading page 1 of 3"); }, 20000));
    cli.CloseOutput();
    EXPECT_EQ(cli.Finish(10000), 1);
    EXPECT_NE(cli.Errors().find("standard output: Broken pipe"), std::string::npos) << cli.Errors();
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST_F(FetchCommand, AFailedWriteOfThePdfReportsItsCause)
{
    const std::string folder = home.Dir("pdfs");
    // The document is written out when it is closed: the limit fails that.
    CliProcess cli({"fetch", "5123456"}, folder, 4096);
    EXPECT_EQ(cli.Finish(30000), 1);
    ASSERT_FALSE(cli.Output().empty());
    EXPECT_EQ(cli.Output().back(), "0\tError Writing PDF File too large");
    EXPECT_TRUE(FilesIn(folder).empty());
}
#endif

}  // namespace
