// EP documents fetched by `folioharvester-cli fetch` with the program's
// defaults and no OPS key: from the simulator's EPO publication server, kept
// as served, nothing more asked of it once it blocks the address.
#include "CliProcess.h"
#include "SimFixture.h"

#include "net/HttpsClient.h"

namespace {

class EpsFetch : public SimFixture
{
protected:
    EpsFetch() { sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::firstRun); }

    // Each row's statuses.
    std::map<int, Lines> Fetch(std::vector<std::string> args, int expectedExit)
    {
        args.insert(args.begin(), {"fetch", "--retry-step-ms", "1", "-j", "3"});
        CliProcess cli(args);
        EXPECT_EQ(cli.Finish(60000), expectedExit) << cli.Errors();
        return StatusesByRow(cli.Output());
    }

    // The paths asked of the publication server, below its base URL, in order.
    Lines EpsPaths() const
    {
        Lines paths;
        for (const SimRequest& request : Requests())
            if (request.service == "eps")
                paths.push_back(request.path.substr(request.path.find('/', 1)));
        return paths;
    }
};

// A bare number takes the grant when there is one, a typed kind is used as
// it is, and an old page in front of the PDF changes nothing.
TEST_F(EpsFetch, DocumentsAreKeptAsServedTheGrantBeforeTheApplication)
{
    const std::string patents = "/rest/v1.2/patents/";
    const struct
    {
        std::string text, file;
        Lines asked;  // the last one answered the PDF
    } cases[] = {
        {"EP2219563", "EP2219563.pdf",
         {patents + "EP2219563NWB2", patents + "EP2219563NWB1", patents + "EP2219563NWB1/document.pdf"}},
        {"EP2219563A1", "EP2219563A1.pdf", {patents + "EP2219563NWA1/document.pdf"}},
        {"EP 1 000 000", "EP1000000.pdf",
         {patents + "EP1000000NWB2", patents + "EP1000000NWB1", patents + "EP1000000NWA1",
          patents + "EP1000000NWA1/document.pdf", "/pdf-document?cc=EP&pn=1000000&ki=A1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ClearLog();
        EXPECT_EQ(Fetch({c.text}, 0)[0].back(), "Finished!");
        EXPECT_EQ(EpsPaths(), c.asked);
        HttpsClient http(NetworkSettings(), sim->CaFile());
        const std::string served = http.Get(sim->EpsUrl(true) + c.asked.back()).body;
        EXPECT_EQ(served.rfind("%PDF-", 0), 0u);
        EXPECT_TRUE(ReadFile(InCwd(c.file)) == served) << "byte for byte";
    }
}

TEST_F(EpsFetch, EuroPctUnknownAndBlockedDocumentsEndPlainlyWithoutAFile)
{
    const struct
    {
        const char* faults;
        Lines texts, lasts;
        size_t requests;
    } cases[] = {
        {"[]", {"EP2707000", "EP9999999"}, {"Published by WIPO: enter WO2012153305", "Not Found!"}, 4 + 5},
        // Only the first request meets the block: any later one would be answered.
        {R"([{"service": "eps", "nth": [1], "action": "blocked"}])", {"EP2219563A1", "EP1000000A1", "EP729353B2"},
         Lines(3, "EPO publication server: download limit reached for this address"), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        ClearLog();
        sim->Faults(c.faults);
        const std::map<int, Lines> rows = Fetch(c.texts, 1);
        for (size_t row = 0; row < c.texts.size(); ++row)
            EXPECT_EQ(rows.at(int(row)).back(), c.lasts[row]);
        EXPECT_EQ(EpsPaths().size(), c.requests);
        for (const std::string& name : FilesIn(home.Path()))
            EXPECT_EQ(name.find(".pdf"), std::string::npos) << name;
    }
}

TEST_F(EpsFetch, AServerErrorIsTriedAgainAfterTheCountdown)
{
    sim->Faults(R"([{"service": "eps", "nth": [1], "action": "status", "status": 503}])");
    const Lines statuses = Fetch({"EP2219563A1"}, 0)[0];
    EXPECT_EQ(statuses.back(), "Finished!");
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(),
                         "Error EPO publication server answered 503 Reconnecting in 10s"),
              1);
    EXPECT_EQ(EpsPaths().size(), 2u);
}

}  // namespace
