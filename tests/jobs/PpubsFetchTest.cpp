// US documents fetched by `folioharvester-cli fetch` through the simulator's
// Patent Public Search: the direct PDF, the print job when that is refused,
// and what the job makes of the service's troubles.
#include "CliProcess.h"
#include "SimFixture.h"

#include "jobs/opsJob.h"
#include "net/HttpsClient.h"

#include <filesystem>
#include <set>

namespace {

class PpubsFetch : public SimFixture
{
protected:
    PpubsFetch() { sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::defaults); }

    std::map<int, Lines> Fetch(const std::vector<std::string>& texts, int expectedExit = 0,
                               const std::vector<std::string>& options = {})
    {
        std::vector<std::string> args{"fetch", "--retry-step-ms", "1"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), texts.begin(), texts.end());
        CliProcess cli(args);
        EXPECT_EQ(cli.Finish(120000), expectedExit) << cli.Errors();
        return StatusesByRow(cli.Output());
    }

    // Paths of the requests to the service (not the image host), in order,
    // but those of its own PDF.
    Lines PrintFlowPaths() const
    {
        Lines paths;
        for (const SimRequest& request : Requests())
            if (request.service == "ppubs" && request.path.rfind(apiPdf, 0) != 0)
                paths.push_back(request.path);
        return paths;
    }

    // The file is our own PDF of the served fax streams, with `outline`.
    void ExpectServedDocument(const std::string& n, const std::string& file, const Outline& outline)
    {
        const std::string pdf = InCwd(file);
        EXPECT_TRUE(QpdfCheck(pdf));
        const PdfContent content = ReadPdf(pdf, home.Dir("json-" + n));
        const std::vector<std::string> served = ServedPpubsImages(n);
        EXPECT_FALSE(served.empty());
        EXPECT_TRUE(content.images == served) << n << ": " << content.images.size() << " pages";
        for (const std::vector<double>& box : content.boxes)
            EXPECT_EQ(box, (std::vector<double>{0, 0, 612, 792}));
        EXPECT_EQ(content.outline, outline);
    }

    static std::string Header(const SimRequest& request, const std::string& name)
    {
        for (const auto& header : request.headers)
            if (header.first == name)
                return header.second;
        return "<none>";
    }

    static inline const std::string apiPdf = "/api/pdf/downloadPdf/";
};

TEST_F(PpubsFetch, DocumentsComeFromTheImageHostTheServiceOrThroughThePrintJob)
{
    sim->Faults(R"([{"service": "ppubsImages", "path": "D365123", "action": "waf"},
                    {"service": "ppubs", "path": "downloadPdf/D365123", "action": "status", "status": 404}])");
    const std::string trace = home.Path() + "/trace.txt";
    const std::map<int, Lines> rows = Fetch({"5123456", "6300001", "D0365123", "20020000051"}, 0, {"--trace", trace});
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(rows.at(row).back(), "Finished!") << row;
    ExpectServedDocument("5123456", "5123456.pdf", {});
    ExpectServedDocument("D365123", "D365123.pdf", {});
    ExpectServedDocument("20020000051", "20020000051.pdf", {});
    EXPECT_EQ(QpdfPages(InCwd("6300001.pdf")), 2);
    EXPECT_EQ(RequestsMatching(apiPdf + "6300001?requestToken=").at(0).status, 200);

    // Only the refused design patent went the long way, in the service's order.
    const Lines flow = PrintFlowPaths();
    const Lines expected{"/pubwebapp/", "/api/users/me/session", "/api/searches/counts",
                         "/api/searches/searchWithBeFamily", "/api/print/imageviewer", "/api/print/print-process"};
    ASSERT_GE(flow.size(), expected.size() + 1);
    EXPECT_EQ(Lines(flow.begin(), flow.begin() + expected.size()), expected);
    EXPECT_EQ(flow.back().rfind("/api/print/save/US-D365123-S", 0), 0u) << flow.back();
    const std::string origin = sim->PpubsUrl(false, true);
    std::vector<std::string> tokens;
    for (const SimRequest& request : Requests()) {
        if (request.path.rfind("/api/", 0) != 0)
            continue;
        EXPECT_EQ(Header(request, "Origin"), origin) << request.path;
        EXPECT_EQ(Header(request, "Referer"), origin + "/pubwebapp/") << request.path;
        EXPECT_EQ(Header(request, "X-Requested-With"), "XMLHttpRequest") << request.path;
        const bool tokenInHeader = request.path != "/api/users/me/session" && request.path.rfind(apiPdf, 0) != 0;
        EXPECT_EQ(Header(request, "X-Access-Token") != "<none>", tokenInHeader) << request.path;
        if (tokenInHeader)
            tokens.push_back(Header(request, "X-Access-Token"));
    }
    // The trace has every call, and the session's token nowhere.
    const std::string traced = ReadFile(trace);
    EXPECT_NE(traced.find(apiPdf + "6300001?requestToken=***"), std::string::npos);
    EXPECT_NE(traced.find("X-Access-Token: ***"), std::string::npos);
    ASSERT_FALSE(tokens.empty());
    for (const std::string& token : tokens)
        EXPECT_EQ(traced.find(token.substr(0, token.size() - 3)), std::string::npos);
}

TEST_F(PpubsFetch, TroublesAreGotOverOrEndPlainlyWithoutAFile)
{
    const Outline sections{{"Front page", 1}, {"Bibliography", 1}, {"Abstract", 1},
                           {"Drawings", 2},   {"Description", 3},  {"Claims", 3}};
    // Neither host's direct PDF: the print job it is.
    const std::string refused = R"({"service": "ppubsImages", "action": "waf"},
                                   {"service": "ppubs", "path": "downloadPdf", "action": "status", "status": 404})";
    const struct
    {
        std::string rules;
        const char* shown;  // how a status on the way, or the last one, begins
        const char* last;
        size_t sessions;
    } cases[] = {
        {R"({"service": "ppubsImages", "action": "html"})", nullptr, "Finished!", 1},
        {R"({"service": "ppubsImages", "action": "damaged"})", nullptr, "Finished!", 1},
        {R"({"service": "ppubsImages", "nth": [1], "action": "ratelimit", "ms": 1000})",
         "Waiting 2s: USPTO rate limit", "Finished!", 0},
        {refused + R"(, {"path": "searchWithBeFamily", "nth": [1], "action": "session-expired"})", nullptr, "Finished!", 2},
        {refused + R"(, {"path": "imageviewer", "nth": [1], "action": "session-expired-html"})", nullptr, "Finished!", 2},
        {refused + R"(, {"path": "searchWithBeFamily", "nth": [1], "action": "status", "status": 500})",
         "Error USPTO answered 500 to the search Reconnecting in 10s", "Finished!", 1},
        // The system's words for a reset connection follow (Linux's and Windows' differ).
        {refused + R"(, {"path": "print-process", "nth": [1, 2], "action": "reset"})",
         "Error USPTO print status: connection broken: ", "Finished!", 1},
        {refused + R"(, {"path": "imageviewer", "action": "session-expired"})", nullptr,
         "USPTO refused the request (403)", 2},
        {refused + R"(, {"path": "print-process", "action": "print-failed"})", nullptr,
         "USPTO could not make the PDF: Unable to generate the PDF", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        sim->Reset();
        ClearLog();
        std::filesystem::remove(InCwd("5123456.pdf"));
        sim->Faults("[" + c.rules + "]");
        const bool finishes = std::string(c.last) == "Finished!";
        const Lines statuses = Fetch({"5123456"}, finishes ? 0 : 1)[0];
        EXPECT_EQ(statuses.back(), c.last);
        if (c.shown) {
            const auto begins = [&](const std::string& status) { return status.rfind(c.shown, 0) == 0; };
            EXPECT_NE(std::find_if(statuses.begin(), statuses.end(), begins), statuses.end());
        }
        EXPECT_EQ(RequestsMatching("/api/users/me/session").size(), c.sessions);
        const bool printed = !RequestsMatching("/api/print/save/").empty();
        if (finishes)
            ExpectServedDocument("5123456", "5123456.pdf", printed ? sections : Outline{});
        for (const std::string& name : FilesIn(home.Path()))
            EXPECT_TRUE(finishes || name.find("5123456") == std::string::npos) << name;
    }
}

// A run of fifteen documents with the budgets cut to a one-second window
// (four searches, three print calls), the print-only documents first so that
// their jobs spend the budgets at once, and one print call refused besides:
// the jobs share one session, renewed once when the firewall answers for it,
// send no call of a held kind before its hold ends, and the print job that
// fails ends its row at once.
TEST_F(PpubsFetch, ARunSharesOneRenewedSessionAndWaitsOutEveryHold)
{
    sim->Control("POST", "/_sim/ppubs", R"({"window": 1, "search": 4, "print": 3})");
    sim->Faults(R"([{"service": "ppubs", "path": "imageviewer", "nth": [3], "action": "session-expired-html"},
                    {"service": "ppubs", "path": "print-process", "nth": [1], "action": "print-failed"},
                    {"service": "ppubs", "path": "/api/print/save/", "nth": [1], "action": "ratelimit"}])");
    const std::vector<std::string> printOnly{"6200001", "6200002", "6200003", "6200004",
                                             "6200005", "6200006", "6200007"};
    std::vector<std::string> texts = printOnly;
    texts.insert(texts.end(), {"US 6,103,599 B1", "US2002/0000051 A1", "5123456", "10493327", "D365123",
                               "RE35136", "6300001", "6300002"});
    const std::map<int, Lines> rows = Fetch(texts, 1, {"-j", "3"});

    std::vector<std::string> failed;
    for (const auto& [row, statuses] : rows) {
        if (statuses.back() != "Finished!")
            failed.push_back(texts.at(row) + ": " + statuses.back());
    }
    ASSERT_EQ(failed.size(), 1u);
    const std::string failedNumber = failed[0].substr(0, failed[0].find(':'));
    EXPECT_NE(std::find(printOnly.begin(), printOnly.end(), failedNumber), printOnly.end()) << failed[0];
    EXPECT_EQ(failed[0], failedNumber + ": USPTO could not make the PDF: Unable to generate the PDF");
    for (const std::string& name : FilesIn(home.Path()))
        EXPECT_EQ(name.find(failedNumber), std::string::npos) << name;
    EXPECT_EQ(QpdfPages(InCwd("6103599.pdf")), 12);
    EXPECT_EQ(QpdfPages(InCwd("20020000051.pdf")), 3);

    EXPECT_EQ(RequestsMatching("/api/users/me/session").size(), 2u);
    // Two polls a job at most: none polled on after its job failed.
    EXPECT_LE(RequestsMatching("/api/print/print-process").size(), 2 * printOnly.size());
    std::set<std::string> spent;
    for (const SimRequest& request : Requests()) {
        EXPECT_FALSE(request.held) << request.path << " at " << request.time;
        if (request.status == 429)
            spent.insert(request.path.substr(0, request.path.find('/', 5)));
    }
    EXPECT_EQ(spent, (std::set<std::string>{"/api/print", "/api/searches"}));
    bool waited = false;
    for (const auto& [row, statuses] : rows)
        for (const std::string& status : statuses)
            waited = waited || status.find(": USPTO rate limit") != std::string::npos;
    EXPECT_TRUE(waited);
}

// With the defaults and no OPS key US and EP numbers download, another
// office's says at once what it needs, and an unknown one is not found.
TEST_F(PpubsFetch, AFirstRunWithoutAKeyGetsUsAndEpDocuments)
{
    sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::firstRun);
    const std::map<int, Lines> rows = Fetch({"5123456", "EP2219563", "WO2004/012345", "5999999"}, 1);
    EXPECT_EQ(rows.at(0).back(), "Finished!");
    EXPECT_EQ(rows.at(1).back(), "Finished!");
    EXPECT_EQ(rows.at(2).back(), opsJob::keyNeededStatus);
    EXPECT_EQ(rows.at(3).back(), "Not Found!");
    EXPECT_EQ(QpdfPages(InCwd("5123456.pdf")), 3);
    EXPECT_EQ(QpdfPages(InCwd("EP2219563.pdf")), 4);
    for (const std::string& name : FilesIn(home.Path()))
        EXPECT_TRUE(name == "5123456.pdf" || name == "EP2219563.pdf" || name.find(".pdf") == std::string::npos)
            << name;
}

}  // namespace
