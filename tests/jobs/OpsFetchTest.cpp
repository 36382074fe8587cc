// Documents fetched by `folioharvester-cli fetch` through the simulator's
// EPO OPS 3.2: the PDFs, the token, fair-use waits and the job's ends.
#include "CliProcess.h"
#include "SimFixture.h"

#include "jobs/opsJob.h"
#include "settings/SettingsStore.h"

#include <wx/base64.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

const std::string rest = "/3.2/rest-services/";

std::string PagePath(const std::string& link, int page)
{
    return rest + link + ".tiff?Range=" + std::to_string(page);
}

class OpsFetch : public SimFixture
{
protected:
    OpsFetch() { sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::ops); }

    // Runs the fetch to its end; each row's statuses.
    std::map<int, Lines> Fetch(const std::vector<std::string>& texts, int expectedExit = 0)
    {
        std::vector<std::string> args{"fetch", "--retry-step-ms", "1", "-j", "5"};
        args.insert(args.end(), texts.begin(), texts.end());
        CliProcess cli(args);
        EXPECT_EQ(cli.Finish(120000), expectedExit) << cli.Errors();
        return StatusesByRow(cli.Output());
    }

    void ReplaceSetting(const std::string& line, const std::string& replacement)
    {
        std::string settings = ReadFile(home.SettingsFile());
        const size_t at = settings.find(line + "\n");
        ASSERT_NE(at, std::string::npos) << line;
        WriteFile(home.SettingsFile(), settings.replace(at, line.size(), replacement));
    }

    // Documents and unfinished documents in the working folder.
    std::vector<std::string> PdfFiles() const
    {
        std::vector<std::string> pdfs;
        for (const std::string& name : FilesIn(home.Path()))
            if (name.find(".pdf") != std::string::npos)
                pdfs.push_back(name);
        return pdfs;
    }
};

// Each asked for once in the epodoc form OPS knows; a number without a kind
// gets the granted publication.
TEST_F(OpsFetch, DocumentsBecomeCheckedPdfsOfTheServedPagesWithTheirOutline)
{
    const Outline usSections = {{"Bibliography", 1}, {"Abstract", 1}, {"Drawings", 2}, {"Description", 3},
                                {"Claims", 3}};
    const Outline b1Sections = {{"Bibliography", 1}, {"Description", 2}, {"Claims", 9}, {"Drawings", 11}};
    const struct
    {
        std::string text, file, asked, link;
        int pages;
        Outline outline;
    } cases[] = {
        {"EP2219563", "EP2219563.pdf", "EP2219563", "published-data/images/EP/2219563/B1/fullimage",
         12, b1Sections},
        {"EP2219563B1", "EP2219563B1.pdf", "EP2219563.B1", "published-data/images/EP/2219563/B1/fullimage",
         12, b1Sections},
        {"WO2004/012345", "WO2004-012345.pdf", "WO2004012345",
         "published-data/images/WO/2004012345/A1/fullimage", 3,
         {{"Bibliography", 1}, {"Abstract", 1}, {"Description", 1}, {"Claims", 2}, {"Drawings", 3}}},
        {"WO02/051231", "WO02-051231.pdf", "WO02051231", "published-data/images/WO/02051231/A1/fullimage", 2,
         {{"Bibliography", 1}, {"Abstract", 1}, {"Description", 1}, {"Claims", 2}}},
        // US numbers: as cited, in the US office's own form, an application publication.
        {"US D365,123 S", "D365123.pdf", "USD365123", "published-data/images/US/D365123/S/fullimage", 2,
         {{"Bibliography", 1}, {"Claims", 1}, {"Drawings", 2}}},
        {"5,123,456", "5123456.pdf", "US5123456", "published-data/images/US/5123456/A/fullimage", 3,
         usSections},
        {"20020000051", "20020000051.pdf", "US2002000051",
         "published-data/images/US/20020000051/A1/fullimage", 3, usSections},
    };
    // Pacing is not looked at here: a quicker page rate keeps the test short.
    sim->Control("POST", "/_sim/ops",
                 R"json({"throttling": "idle (images=green:1200, inpadoc=green:60, other=green:1000, )json"
                 R"json(retrieval=green:1200, search=green:30)"})json");
    std::vector<std::string> texts;
    for (const auto& c : cases)
        texts.push_back(c.text);
    std::map<int, Lines> rows = Fetch(texts);
    EXPECT_EQ(RequestsMatching("/auth/accesstoken").size(), 1u);
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto& c = cases[row];
        SCOPED_TRACE(c.text);
        EXPECT_EQ(rows[row].back(), "Finished!");
        EXPECT_EQ(RequestsMatching("/publication/epodoc/" + c.asked + "/images").size(), 1u);
        const std::string pdf = InCwd(c.file);
        EXPECT_TRUE(QpdfCheck(pdf));
        const PdfContent content = ReadPdf(pdf, home.Dir("json-" + std::to_string(row)));
        ASSERT_EQ(content.images.size(), size_t(c.pages));
        for (int page = 1; page <= c.pages; ++page) {
            EXPECT_EQ(content.boxes[page - 1], (std::vector<double>{0, 0, 595, 842})) << page;
            EXPECT_EQ(content.images[page - 1], ServedOpsStrip(c.link, page)) << page;
        }
        EXPECT_EQ(content.outline, c.outline);
    }
}

// What OPS asks for on the way, the job does, and the document is finished
// without a page lost.
TEST_F(OpsFetch, RenewalsWaitsAndServerTroublesAreGotOver)
{
    const std::string page2 = PagePath("published-data/images/WO/2004012345/A1/fullimage", 2);
    const struct
    {
        std::string rule;
        std::string path;    // the request the rule refuses, then resent
        const char* status;  // shown on the way
        double waited;       // at least this long before the request was resent
        size_t tokens;
    } cases[] = {
        {R"("path": "Range=2", "nth": [1], "action": "expired")", page2, nullptr, 0, 2},
        {R"("path": "Range=2", "nth": [1], "action": "unauthorized")", page2, nullptr, 0, 2},
        {R"("path": "Range=2", "nth": [1], "action": "throttled", "ms": 1500)", page2,
         "Waiting 2s: EPO fair-use limit", 1.5, 1},
        {R"("path": "epodoc/", "nth": [1], "action": "throttled", "ms": 1500)", "epodoc/",
         "Waiting 2s: EPO fair-use limit", 1.5, 1},
        {R"("path": "Range=2", "nth": [1], "action": "hourly", "ms": 1200)", page2,
         "Waiting 2s: EPO hourly quota used up", 1.2, 1},
        {R"("path": "Range=2", "nth": [1], "action": "maintenance", "status": 503)", page2,
         "Error EPO OPS error 503: SERVER.LimitedServerResources", 0, 1},
        {R"("path": "Range=2", "nth": [1, 2], "action": "reset")", page2, "Error connection broken", 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        sim->Reset();
        ClearLog();
        std::filesystem::remove(InCwd("WO2004-012345.pdf"));
        sim->Faults("[{\"service\": \"ops32\", " + c.rule + "}]");
        const Lines statuses = Fetch({"WO2004/012345"})[0];
        EXPECT_EQ(statuses.back(), "Finished!");
        EXPECT_EQ(QpdfPages(InCwd("WO2004-012345.pdf")), 3);
        EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(),
                                [](const std::string& s) { return s.rfind("Page ", 0) == 0; }),
                  0);
        if (c.status) {
            EXPECT_TRUE(std::any_of(statuses.begin(), statuses.end(),
                                    [&](const std::string& s) { return s.rfind(c.status, 0) == 0; }))
                << testing::PrintToString(statuses);
        }
        const std::vector<SimRequest> tries = RequestsMatching(c.path);
        ASSERT_GE(tries.size(), 2u);
        EXPECT_NE(tries.front().status, 200);
        EXPECT_EQ(tries.back().status, 200);
        EXPECT_GE(tries.back().time - tries.front().time, c.waited);
        EXPECT_EQ(RequestsMatching("/auth/accesstoken").size(), c.tokens);
    }
}

TEST_F(OpsFetch, JobsThatCannotFinishSayWhyAndLeaveNoFile)
{
    const std::string keyLine = std::string("consumerKey=") + OfficeSim::opsKey;
    const struct
    {
        std::string text;
        std::string faultRule;  // empty: none
        std::string opsChange;  // a /_sim/ops body; empty: none
        bool noKey;
        const char* status;
    } cases[] = {
        {"EP1000000", R"("path": "Range=2", "action": "weekly")", "", false, "EPO weekly quota used up"},
        {"EP9999999", "", "", false, "Not Found!"},
        {"EP1000000", R"("path": "Range=3", "action": "notfound")", "", false, "Not Found!"},
        {"EP1000000", "", "", true, opsJob::keyNeededStatus},
        {"EP1000000", "", R"({"secret": "another"})", false,
         "EPO OPS key or secret refused: File > Setup > Services"},
        {"EP1234567", "", "", false, "EPO OPS has no page images of this document"},
        {"EP1000000", R"("path": "Range=2", "action": "html")", "", false,
         "Page 2: not a readable TIFF image"},
        {"9/836917", "", "", false, "US serial numbers cannot be fetched from EPO OPS: enter the publication number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " " + c.faultRule + c.opsChange + (c.noKey ? "no key" : ""));
        sim->Reset();
        ClearLog();
        sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::ops);
        if (c.noKey)
            ReplaceSetting(keyLine, "consumerKey=");
        if (!c.faultRule.empty())
            sim->Faults("[{\"service\": \"ops32\", " + c.faultRule + "}]");
        if (!c.opsChange.empty())
            sim->Control("POST", "/_sim/ops", c.opsChange);
        EXPECT_EQ(Fetch({c.text}, 1)[0].back(), c.status);
        EXPECT_EQ(PdfFiles(), std::vector<std::string>{});
        const size_t tokens = RequestsMatching("/auth/accesstoken").size();
        if (c.noKey)
            EXPECT_TRUE(Requests().empty());
        else if (c.opsChange.empty())
            EXPECT_LE(tokens, 1u);
        else
            EXPECT_EQ(tokens, 1u);  // a refused key is not asked again
    }
}

// Whichever job meets the hourly quota, every row it holds says so.
TEST_F(OpsFetch, EveryRowTheHourlyQuotaHoldsSaysSo)
{
    sim->Control("POST", "/_sim/ops",
                 R"json({"throttling": "idle (images=green:1200, retrieval=green:1200)"})json");
    sim->Faults(R"([{"service": "ops32", "path": "Range=", "nth": [1], "action": "hourly", "ms": 2000}])");
    const std::map<int, Lines> rows = Fetch({"WO2004/012345", "WO02/051231", "EP1600000"});
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& [row, statuses] : rows) {
        SCOPED_TRACE(testing::PrintToString(statuses));
        EXPECT_EQ(statuses.back(), "Finished!");
        size_t waits = 0;
        for (const std::string& status : statuses) {
            if (status.rfind("Waiting ", 0) == 0) {
                ++waits;
                EXPECT_NE(status.find(": EPO hourly quota used up"), std::string::npos);
            }
        }
        EXPECT_GE(waits, 1u);
    }
}

// A traced fetch through a proxy: every request and answer is in the file
// as it went, and no secret is.
TEST_F(OpsFetch, TheTraceHoldsEveryRequestAndNoSecret)
{
    const std::string proxyPassword = "proxy-pass-4711";
    {
        wxString stored = proxyPassword;
        ScramblePassword(stored);
        std::unique_ptr<wxConfigBase> config = OpenSettingsStore();
        config->Write("connectionType", 2L);
        config->Write("proxyServer", "127.0.0.1");
        config->Write("proxyPort", sim->Port("maker"));
        config->Write("proxyUser", "proxy-user");
        config->Write("proxyPass", stored);
    }
    const std::string trace = home.Path() + "/trace.txt";
    EXPECT_EQ(Fetch({"--trace", trace, "WO2004/012345"})[0].back(), "Finished!");
    const std::string text = ReadFile(trace);
    const std::string ops = "https://" + sim->Host("ops32tls") + "/3.2/";
    const std::vector<std::string> parts = {
        "> CONNECT " + sim->Host("ops32tls"), "Proxy-Authorization: Basic ***",
        "> POST " + ops + "auth/accesstoken via proxy 127.0.0.1:" + std::to_string(sim->Port("maker")),
        "Authorization: Basic ***", "\"access_token\" : \"***\"",
        "> GET " + ops + "rest-services/published-data/publication/epodoc/WO2004012345/images",
        "Authorization: Bearer ***", "< HTTP/1.1 200 OK", "<?xml",
        "> GET " + ops + "rest-services/published-data/images/WO/2004012345/A1/fullimage.tiff?Range=3",
        "binary: 4d 4d 00 2a"};
    for (const std::string& part : parts)
        EXPECT_NE(text.find(part), std::string::npos) << part;
    const std::vector<SimRequest> inquiries = RequestsMatching("/images");
    ASSERT_FALSE(inquiries.empty());
    std::string token;
    for (const auto& [name, value] : inquiries[0].headers)
        if (name == "Authorization")
            token = value.substr(value.find(' ') + 1);
    const auto base64 = [](const std::string& pair) {
        return std::string(wxBase64Encode(pair.data(), pair.size()).utf8_str());
    };
    const std::vector<std::string> secrets = {OfficeSim::opsSecret, token,
                                              base64(std::string(OfficeSim::opsKey) + ":" + OfficeSim::opsSecret),
                                              proxyPassword, base64("proxy-user:" + proxyPassword)};
    for (const std::string& secret : secrets) {
        ASSERT_GE(secret.size(), 10u);
        EXPECT_EQ(text.find(secret), std::string::npos) << secret;
    }

    // A trace that cannot be written is a usage error before any request.
    ClearLog();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"fetch", "--trace", home.Path() + "/no/such/folder/trace.txt", "EP1000000"},
          std::vector<std::string>{"fetch", "EP1000000", "--trace"}}) {
        CliProcess cli(args);
        EXPECT_EQ(cli.Finish(10000), 64);
        EXPECT_EQ(cli.Errors().rfind(args[1] == "--trace" ? "folioharvester-cli: cannot write the trace file "
                                                           : "usage: ",
                                     0),
                  0u)
            << cli.Errors();
    }
    EXPECT_TRUE(Requests().empty());
}

// Pages of every job take turns at the rate the service announces.
TEST_F(OpsFetch, ParallelJobsShareThePageRate)
{
    sim->Control("POST", "/_sim/ops",
                 R"json({"throttling": "idle (images=green:600, inpadoc=green:60, other=green:1000, )json"
                 R"json(retrieval=green:200, search=green:30)"})json");
    const std::map<int, Lines> rows = Fetch({"EP2219563A2", "EP2219563B1", "EP1000000"});
    for (const auto& row : rows)
        EXPECT_EQ(row.second.back(), "Finished!") << row.first;
    std::vector<SimRequest> pages = RequestsMatching(".tiff?Range=");
    ASSERT_EQ(pages.size(), 36u);
    std::sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    std::vector<double> gaps;
    for (size_t i = 1; i < pages.size(); ++i)
        gaps.push_back(pages[i].time - pages[i - 1].time);
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    const double median = gaps[gaps.size() / 2];
    EXPECT_GE(median, 0.09);
    // Far under a wait per job of a second, with room for a loaded or
    // sanitized run's slower requests.
    EXPECT_LE(median, 0.5);
    // The jobs ran side by side, not one after another: the second to begin
    // fetching pages began before the first to finish had finished. (A loaded
    // run may start the third only after another is done.)
    std::vector<double> starts;
    double firstEnd = 1e9;
    for (const char* link : {"/A2/", "/B1/", "/1000000/"}) {
        std::vector<double> times;
        for (const SimRequest& page : pages)
            if (page.path.find(link) != std::string::npos)
                times.push_back(page.time);
        ASSERT_EQ(times.size(), 12u) << link;
        starts.push_back(times.front());
        firstEnd = std::min(firstEnd, times.back());
    }
    std::sort(starts.begin(), starts.end());
    EXPECT_LT(starts[1], firstEnd);
}

}  // namespace
