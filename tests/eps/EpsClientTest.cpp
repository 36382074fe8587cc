// The publication server against the simulator over TLS: which document a
// number names, the PDF behind each kind of answer, and how a fetch ends
// when it cannot.
#include "services/eps/EpsClient.h"

#include "ClosedPort.h"
#include "SimTest.h"
#include "net/HttpsClient.h"
#include "services/eps/EpsContext.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using Json = nlohmann::json;
using Kind = EpsClient::Failure::Kind;

NetworkSettings Direct()
{
    NetworkSettings direct;
    direct.connectionType = 1;
    return direct;
}

class EpsClientTest : public SimTest
{
protected:
    // What a job does: the document's id, then its PDF.
    std::optional<std::string> Fetch(const wxString& entry)
    {
        const std::optional<EpsNumber> number = EpsNumber::FromEntry(entry);
        EXPECT_TRUE(number) << entry;
        const std::optional<wxString> id = number ? client.DocumentId(*number) : std::nullopt;
        return id ? client.Pdf(*id) : std::nullopt;
    }

    static size_t EpsRequests()
    {
        size_t count = 0;
        for (const Json& entry : Json::parse(sim->Log()))
            count += entry.at("service") == "eps";
        return count;
    }

    HttpsClient http{Direct(), sim->CaFile()};
    EpsContext context;
    EpsClient client{http, context, sim->EpsUrl(true)};
};

TEST_F(EpsClientTest, EachNumberEndsAsItsDocumentOrInOnePlainLine)
{
    const struct
    {
        const char* entry;
        const char* rules;
        const char* pdfOf;    // the id the PDF shows; empty: no PDF
        const char* failure;
        size_t requests;
    } cases[] = {
        // Probed B2 (none), B1: the grant.
        {"EP2219563", "", "EP2219563NWB1", "", 3},
        {"EP2219563A1", "", "EP2219563NWA1", "", 1},
        // Probed B2, B1, A1; an old page whose toolbar links to the PDF.
        {"EP1000000", "", "EP1000000NWA1", "", 5},
        // Two redirects, one relative and one absolute.
        {"EP729353", "", "EP0729353NWB2", "", 4},
        {"EP2707000", "", "", "Published by WIPO: enter WO2012153305", 4},
        {"EP1234567", "", "", "Not Found!", 5},
        {"EP2219563B2", "", "", "Not Found!", 1},
        {"EP2219563A1", R"([{"service": "eps", "path": "document.pdf", "action": "redirect"}])", "",
         "EPO publication server redirected too often", 1 + EpsClient::mostRedirects},
        {"EP2219563A1", R"([{"service": "eps", "action": "status", "status": 503}])", "",
         "EPO publication server answered 503", 1},
        {"EP2219563A1", R"([{"service": "eps", "action": "html"}])", "", "EPO publication server sent no PDF", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry + std::string(" ") + c.rules);
        sim->Reset();
        sim->Faults(*c.rules ? c.rules : "[]");
        const std::optional<std::string> pdf = Fetch(c.entry);
        EXPECT_EQ(client.LastFailure().text, c.failure);
        EXPECT_EQ(bool(pdf), *c.pdfOf != 0);
        if (pdf) {
            EXPECT_EQ(pdf->compare(0, 5, "%PDF-"), 0);
            EXPECT_NE(pdf->find(c.pdfOf), std::string::npos);
        }
        EXPECT_EQ(EpsRequests(), c.requests);
    }
    // The weekly quota as the last answer told it.
    sim->Reset();
    const std::optional<std::string> pdf = Fetch("EP2219563A1");
    ASSERT_TRUE(pdf);
    EXPECT_EQ(context.WeeklyQuota().used.value_or(0), pdf->size());
    EXPECT_EQ(context.WeeklyQuota().remaining.value_or(0), (5ull << 30) - pdf->size());
}

TEST_F(EpsClientTest, TheBlockPageStopsEveryLaterRequestOfTheRun)
{
    sim->Faults(R"([{"service": "eps", "action": "blocked"}])");
    // Served with 200, the block page is no answer to a probe either.
    EXPECT_FALSE(Fetch("EP1000000"));
    EXPECT_EQ(client.LastFailure().kind, Kind::blocked);
    EXPECT_EQ(client.LastFailure().text, "EPO publication server: download limit reached for this address");

    HttpsClient otherHttp{Direct(), sim->CaFile()};
    EpsClient otherJob{otherHttp, context, sim->EpsUrl(true)};
    EXPECT_FALSE(otherJob.Pdf("EP2219563NWA1"));
    EXPECT_EQ(otherJob.LastFailure().kind, Kind::blocked);
    EXPECT_EQ(EpsRequests(), 1u);
}

TEST_F(EpsClientTest, AFailedRequestKeepsItsKindForTheRetryDecision)
{
    EpsClient unreachable{http, context, "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort())};
    EXPECT_FALSE(unreachable.Pdf("EP2219563NWA1"));
    EXPECT_EQ(unreachable.LastFailure().request.kind, FailureKind::Connect);
    EXPECT_TRUE(unreachable.LastFailure().text.StartsWith("EPO publication server: cannot connect"));

    sim->Faults(R"([{"service": "eps", "action": "status", "status": 503}])");
    EXPECT_FALSE(client.Pdf("EP2219563NWA1"));
    EXPECT_EQ(client.LastFailure().request.kind, FailureKind::HttpStatus);
    EXPECT_EQ(client.LastFailure().request.httpStatus, 503u);
}

TEST_F(EpsClientTest, OneRequestAtATimeInTheWholeRun)
{
    sim->Faults(R"([{"service": "eps", "path": "EP2219563NWB1", "action": "hang"}])");
    std::atomic<bool> stopHanging{false};
    HttpsClient hangingHttp{Direct(), sim->CaFile()};
    hangingHttp.SetStopTest([&] { return stopHanging.load(); });
    EpsClient hangingJob{hangingHttp, context, sim->EpsUrl(true)};
    std::thread hanging([&] { hangingJob.Pdf("EP2219563NWB1"); });
    for (int i = 0; i < 100 && EpsRequests() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));

    std::vector<bool> reports;
    client.SetWaitReport([&](bool waiting) { reports.push_back(waiting); });
    client.SetStopTest([&] { return !reports.empty(); });
    EXPECT_FALSE(client.Pdf("EP2219563NWA1"));
    EXPECT_EQ(client.LastFailure().kind, Kind::stopped);
    EXPECT_EQ(reports, std::vector<bool>{true});
    EXPECT_EQ(EpsRequests(), 1u);

    stopHanging = true;
    hanging.join();
    EXPECT_EQ(hangingJob.LastFailure().kind, Kind::stopped);
    client.SetStopTest(nullptr);
    EXPECT_TRUE(client.Pdf("EP2219563NWA1")) << client.LastFailure().text;
}

}  // namespace
