// EP documents fetched by `folioharvester-cli fetch` with the program's
// defaults and no OPS key: from the simulator's EPO publication server, kept
// as served, one request at a time, nothing more asked once it blocks the
// address; with a key, from OPS as before.
#include "CliProcess.h"
#include "SimFixture.h"

#include "jobs/epsJob.h"
#include "net/HttpsClient.h"

#include <chrono>
#include <csignal>
#include <thread>

namespace {

const char* const blocked = "EPO publication server: download limit reached for this address";

class EpsFetch : public SimFixture
{
protected:
    EpsFetch() { sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::firstRun); }

    static std::vector<std::string> FetchArgs(const std::vector<std::string>& texts)
    {
        std::vector<std::string> args{"fetch", "--retry-step-ms", "1", "-j", "3"};
        args.insert(args.end(), texts.begin(), texts.end());
        return args;
    }

    std::map<int, Lines> Fetch(const std::vector<std::string>& texts, int expectedExit = 0)
    {
        CliProcess cli(FetchArgs(texts));
        EXPECT_EQ(cli.Finish(60000), expectedExit) << cli.Errors();
        return StatusesByRow(cli.Output());
    }

    // What the publication server's listener serves at `path` (below its base URL).
    std::string Served(const std::string& path) const
    {
        HttpsClient client(NetworkSettings(), sim->CaFile());
        const HttpAnswer answer = client.Get(sim->EpsUrl(true) + path);
        EXPECT_EQ(answer.status, 200u) << path;
        return answer.body;
    }

    // The paths asked of the publication server that contain `fragment`, in order.
    Lines EpsPaths(const std::string& fragment = "") const
    {
        Lines paths;
        for (const SimRequest& request : Requests())
            if (request.service == "eps" && request.path.find(fragment) != std::string::npos)
                paths.push_back(request.path.substr(request.path.find("/", 1)));
        return paths;
    }

    std::vector<std::string> Pdfs() const
    {
        std::vector<std::string> pdfs;
        for (const std::string& name : FilesIn(home.Path()))
            if (name.find(".pdf") != std::string::npos)
                pdfs.push_back(name);
        return pdfs;
    }
};

// A bare number takes the grant when there is one, a typed kind is used as
// it is, and a page or redirects in front of the PDF change nothing.
TEST_F(EpsFetch, DocumentsAreKeptAsServedTheGrantBeforeTheApplication)
{
    const std::string patents = "/rest/v1.2/patents/";
    const struct
    {
        std::string text, file, digits, served;
        Lines asked;
    } cases[] = {
        {"EP2219563", "EP2219563.pdf", "2219563", patents + "EP2219563NWB1/document.pdf",
         {patents + "EP2219563NWB2", patents + "EP2219563NWB1", patents + "EP2219563NWB1/document.pdf"}},
        {"EP2219563A1", "EP2219563A1.pdf", "2219563", patents + "EP2219563NWA1/document.pdf",
         {patents + "EP2219563NWA1/document.pdf"}},
        {"EP 1 000 000", "EP1000000.pdf", "1000000", "/pdf-document?cc=EP&pn=1000000&ki=A1",
         {patents + "EP1000000NWB2", patents + "EP1000000NWB1", patents + "EP1000000NWA1",
          patents + "EP1000000NWA1/document.pdf", "/pdf-document?cc=EP&pn=1000000&ki=A1"}},
        {"EP729353", "EP729353.pdf", "0729353", "/pdf-document?cc=EP&pn=0729353&ki=B2",
         {patents + "EP0729353NWB2", patents + "EP0729353NWB2/document.pdf",
          patents + "EP0729353NWB2/document.pdf?hop=1", "/pdf-document?cc=EP&pn=0729353&ki=B2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ClearLog();
        EXPECT_EQ(Fetch({c.text})[0].back(), "Finished!");
        EXPECT_EQ(EpsPaths(c.digits), c.asked);
        const std::string served = Served(c.served);
        EXPECT_EQ(served.compare(0, 5, "%PDF-"), 0);
        EXPECT_TRUE(ReadFile(InCwd(c.file)) == served) << "byte for byte";
    }
    EXPECT_TRUE(RequestsMatching("/3.2/").empty()) << "no OPS request without a key";
}

TEST_F(EpsFetch, EuroPctUnknownAndBlockedDocumentsEndPlainlyWithoutAFile)
{
    const struct
    {
        const char* faults;
        Lines texts;
        const char* last;  // of every row; null: "Published by WIPO..." then "Not Found!"
        size_t requests;
    } cases[] = {
        {"[]", {"EP2707000", "EP9999999"}, nullptr, 4 + 5},
        // Only the first request meets the block: any later one would be answered.
        {R"([{"service": "eps", "nth": [1], "action": "blocked"}])", {"EP2219563A1", "EP1000000A1", "EP729353B2"},
         blocked, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        sim->Reset();
        ClearLog();
        sim->Faults(c.faults);
        const std::map<int, Lines> rows = Fetch(c.texts, 1);
        ASSERT_EQ(rows.size(), c.texts.size());
        for (const auto& [row, statuses] : rows)
            EXPECT_EQ(statuses.back(), c.last ? c.last : row == 0 ? "Published by WIPO: enter WO2012153305"
                                                                  : "Not Found!");
        EXPECT_EQ(EpsPaths().size(), c.requests);
        EXPECT_EQ(Pdfs(), std::vector<std::string>{});
    }
}

TEST_F(EpsFetch, NetworkFailuresAreTriedAgainAfterTheCountdown)
{
    const struct
    {
        const char* fault;
        const char* countdown;
    } cases[] = {
        {R"({"service": "eps", "nth": [1], "action": "status", "status": 503})",
         "Error EPO publication server answered 503 Reconnecting in 10s"},
        {R"({"service": "eps", "nth": [1], "action": "reset"})", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        sim->Reset();
        std::remove(InCwd("EP2219563A1.pdf").c_str());
        sim->Faults(std::string("[") + c.fault + "]");
        const Lines statuses = Fetch({"EP2219563A1"})[0];
        EXPECT_EQ(statuses.back(), "Finished!");
        const auto first = std::find_if(statuses.begin(), statuses.end(), [](const std::string& s) {
            return s.find(" Reconnecting in 10s") != std::string::npos;
        });
        ASSERT_NE(first, statuses.end());
        EXPECT_EQ(first->rfind("Error EPO publication server", 0), 0u) << *first;
        if (c.countdown) {
            EXPECT_EQ(*first, c.countdown);
        }
        EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(),
                                [](const std::string& s) { return s.find(" Reconnecting in ") != std::string::npos; }),
                  10);
        EXPECT_TRUE(ReadFile(InCwd("EP2219563A1.pdf")) == Served("/rest/v1.2/patents/EP2219563NWA1/document.pdf"));
    }
}

// While one job's request hangs, the others of the run wait their turn.
TEST_F(EpsFetch, OneRequestAtATimeInTheWholeRun)
{
    sim->Faults(R"([{"service": "eps", "action": "hang"}])");
    CliProcess cli(FetchArgs({"EP2219563A1", "EP1000000A1"}));
    const std::string waiting = std::string("\t") + epsJob::waitingStatus;
    ASSERT_TRUE(cli.ReadUntil(
        [&waiting](const Lines& lines) {
            return std::any_of(lines.begin(), lines.end(), [&waiting](const std::string& line) {
                return line.size() >= waiting.size() &&
                       line.compare(line.size() - waiting.size(), waiting.size(), waiting) == 0;
            });
        },
        20000))
        << cli.Errors();
    // The turn was taken before the request reached the simulator.
    for (int i = 0; i < 200 && EpsPaths().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(EpsPaths().size(), 1u);
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Finish(5000), 1);
    EXPECT_EQ(EpsPaths().size(), 1u);
    EXPECT_EQ(Pdfs(), std::vector<std::string>{});
}

TEST_F(EpsFetch, WithAKeyAutomaticGoesToOps)
{
    sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::defaults);
    EXPECT_EQ(Fetch({"EP2219563"})[0].back(), "Finished!");
    EXPECT_EQ(RequestsMatching("/publication/epodoc/EP2219563/images").size(), 1u);
    EXPECT_EQ(EpsPaths(), Lines{});
}

}  // namespace
