// US documents fetched by `folioharvester-cli fetch` through the simulator's
// Patent Public Search: the direct PDF, the print job when that is refused,
// and what the job makes of the service's troubles.
#include "CliProcess.h"
#include "SimFixture.h"

#include "jobs/opsJob.h"

#include <filesystem>

namespace {

class PpubsFetch : public SimFixture
{
protected:
    PpubsFetch() { sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::defaults); }

    std::map<int, Lines> Fetch(const std::vector<std::string>& texts, int expectedExit = 0)
    {
        std::vector<std::string> args{"fetch"};
        args.insert(args.end(), texts.begin(), texts.end());
        CliProcess cli(args);
        EXPECT_EQ(cli.Finish(120000), expectedExit) << cli.Errors();
        return StatusesByRow(cli.Output());
    }

    // Paths of the requests to the service (not the image host), in order.
    Lines ServicePaths() const
    {
        Lines paths;
        for (const SimRequest& request : Requests())
            if (request.service == "ppubs")
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
};

TEST_F(PpubsFetch, DocumentsComeDirectlyOrThroughThePrintJob)
{
    sim->Faults(R"([{"service": "ppubsImages", "path": "D365123", "action": "waf"}])");
    const std::map<int, Lines> rows = Fetch({"5123456", "D0365123", "20020000051"});
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(rows.at(row).back(), "Finished!") << row;
    ExpectServedDocument("5123456", "5123456.pdf", {});
    ExpectServedDocument("D365123", "D365123.pdf", {});
    ExpectServedDocument("20020000051", "20020000051.pdf", {});

    // Only the refused design patent went the long way, in the service's order.
    const Lines flow = ServicePaths();
    const Lines expected{"/pubwebapp/", "/api/users/me/session", "/api/searches/searchWithBeFamily",
                         "/api/print/imageviewer", "/api/print/print-process"};
    ASSERT_GE(flow.size(), expected.size() + 1);
    EXPECT_EQ(Lines(flow.begin(), flow.begin() + expected.size()), expected);
    EXPECT_EQ(flow.back().rfind("/api/print/save/US-D365123-S", 0), 0u) << flow.back();
    for (const SimRequest& request : Requests()) {
        if (request.path.rfind("/api/", 0) != 0 || request.path == "/api/users/me/session")
            continue;
        bool tokenSent = false;
        for (const auto& header : request.headers)
            tokenSent = tokenSent || header.first == "X-Access-Token";
        EXPECT_TRUE(tokenSent) << request.path;
    }
}

TEST_F(PpubsFetch, TroublesAreGotOverOrEndPlainlyWithoutAFile)
{
    const Outline sections{{"Front page", 1}, {"Drawings", 2}, {"Description", 3}, {"Claims", 3}};
    const std::string refused = R"({"service": "ppubsImages", "action": "waf"})";
    const struct
    {
        std::string rules;
        const char* shown;  // a status on the way, or the last one
        const char* last;
        size_t sessions;
    } cases[] = {
        {R"({"service": "ppubsImages", "action": "html"})", nullptr, "Finished!", 1},
        {R"({"service": "ppubsImages", "action": "damaged"})", nullptr, "Finished!", 1},
        {R"({"service": "ppubsImages", "nth": [1], "action": "ratelimit", "ms": 1000})",
         "Waiting 2s: USPTO rate limit", "Finished!", 0},
        {refused + R"(, {"path": "searchWithBeFamily", "nth": [1], "action": "session-expired"})", nullptr, "Finished!", 2},
        {refused + R"(, {"path": "searchWithBeFamily", "action": "status", "status": 500})", nullptr,
         "USPTO answered 500 to the search", 1},
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
            EXPECT_NE(std::find(statuses.begin(), statuses.end(), c.shown), statuses.end());
        }
        EXPECT_EQ(RequestsMatching("/api/users/me/session").size(), c.sessions);
        if (finishes)
            ExpectServedDocument("5123456", "5123456.pdf", c.sessions > 0 ? sections : Outline{});
        for (const std::string& name : FilesIn(home.Path()))
            EXPECT_TRUE(finishes || name.find("5123456") == std::string::npos) << name;
    }
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
