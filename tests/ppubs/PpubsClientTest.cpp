// Patent Public Search against the simulator over TLS: the direct PDF, the
// print-job flow and how the client lives through the service's faults.
#include "services/ppubs/PpubsClient.h"

#include "net/HttpsClient.h"
#include "SimTest.h"

#include <nlohmann/json.hpp>

#include <vector>

namespace {

using Json = nlohmann::json;

NetworkSettings Direct()
{
    NetworkSettings direct;
    direct.connectionType = 1;
    return direct;
}

class PpubsClientTest : public SimTest
{
protected:
    PpubsPaths Paths() const { return PpubsPaths(sim->PpubsUrl(false, true), sim->PpubsUrl(true, true)); }

    // Session, search, print job, polls and save, as a job runs them.
    std::optional<std::string> ViaPrintJob(const wxString& n)
    {
        if (!client.OpenSession())
            return std::nullopt;
        const std::optional<PpubsDocument> document = client.Search(n);
        const std::optional<std::int64_t> job = document ? client.PrintJob(*document) : std::nullopt;
        const std::optional<std::string> pdfName = job ? client.PollUntilComplete(*job) : std::nullopt;
        return pdfName ? client.Save(*pdfName) : std::nullopt;
    }

    size_t Logged(const std::string& path) const
    {
        size_t count = 0;
        for (const Json& entry : Json::parse(sim->Log()))
            count += entry.at("path") == path;
        return count;
    }

    HttpsClient http{Direct(), sim->CaFile()};
    PpubsContext context;
    PpubsClient client{http, Paths(), context};
};

TEST_F(PpubsClientTest, TheDirectPdfIsTheDocumentThePrintJobSaves)
{
    // Three documents take six print calls.
    sim->Control("POST", "/_sim/ppubs", R"({"print": 6})");
    for (const char* n : {"5123456", "D365123", "20020000051"}) {
        SCOPED_TRACE(n);
        const std::optional<std::string> direct = client.DirectPdf(n);
        ASSERT_TRUE(direct) << client.LastFailure().text;
        EXPECT_EQ(direct->compare(0, 5, "%PDF-"), 0);
        const std::optional<std::string> printed = ViaPrintJob(n);
        ASSERT_TRUE(printed) << client.LastFailure().text;
        EXPECT_TRUE(*printed == *direct);
    }
    for (const Json& entry : Json::parse(sim->Log())) {
        if (entry.at("path").get<std::string>().rfind("/api/print/", 0) == 0) {
            EXPECT_NE(entry.dump().find("X-Access-Token"), std::string::npos) << entry.dump();
        }
    }
}

TEST_F(PpubsClientTest, TheSearchGivesTheDocumentsPagesOrNotFound)
{
    ASSERT_TRUE(client.OpenSession()) << client.LastFailure().text;
    const std::optional<PpubsDocument> found = client.Search("5123456");
    ASSERT_TRUE(found) << client.LastFailure().text;
    EXPECT_EQ(found->guid, "US-5123456-A");
    EXPECT_EQ(found->type, "USPAT");
    EXPECT_EQ(found->imageLocation, "uspat/US/05/123/456");
    EXPECT_EQ(found->pageCount, 3);
    EXPECT_EQ(found->sections.at("drawingsStart"), 2);

    EXPECT_FALSE(client.Search("5999999"));
    EXPECT_EQ(client.LastFailure().kind, PpubsClient::Failure::Kind::notFound);
    EXPECT_FALSE(client.DirectPdf("5999999"));
}

// The body recorded peers send, the count with the same query first.
TEST_F(PpubsClientTest, TheSearchIsSentAsTheWebPageSendsIt)
{
    ASSERT_TRUE(client.Search("6103599")) << client.LastFailure().text;
    Json recorded = Json::parse(R"({"start":0,"pageCount":500,"sort":"date_publ desc",
        "docFamilyFiltering":"familyIdFiltering","searchType":1,"familyIdEnglishOnly":true,
        "familyIdFirstPreferred":"US-PGPUB","familyIdSecondPreferred":"USPAT","familyIdThirdPreferred":"FPRS",
        "showDocPerFamilyPref":"showEnglish","queryId":0,"tagDocSearch":false,
        "query":{"caseId":0,"hl_snippets":"2","op":"OR","q":"(\"6103599\").pn.","queryName":"(\"6103599\").pn.",
        "highlights":"1","qt":"brs","spellCheck":false,"viewName":"tile","plurals":true,"britishEquivalents":true,
        "databaseFilters":[{"databaseName":"US-PGPUB","countryCodes":[]},{"databaseName":"USPAT","countryCodes":[]},
        {"databaseName":"USOCR","countryCodes":[]}],"searchType":1,"ignorePersist":true,
        "userEnteredQuery":"(\"6103599\").pn."}})");
    std::vector<Json> sent;
    for (const Json& entry : Json::parse(sim->Log())) {
        if (entry.at("path").get<std::string>().rfind("/api/searches/", 0) == 0)
            sent.push_back(Json::parse(entry.at("body").get<std::string>()));
    }
    ASSERT_EQ(sent.size(), 2u);
    recorded["query"]["caseId"] = sent[1].at("query").at("caseId");
    EXPECT_EQ(sent[0], recorded["query"]);
    EXPECT_EQ(sent[1], recorded);
}

TEST_F(PpubsClientTest, FaultsAreWaitedOutRenewedOrEndInOnePlainLine)
{
    const struct
    {
        const char* rules;
        bool direct;            // the direct PDF, else the print-job flow
        const char* failure;    // empty: the document comes
        std::vector<int> waits; // the countdown reported, 0 at its end
        size_t sessions;
    } cases[] = {
        {R"([{"service": "ppubs", "path": "searchWithBeFamily", "nth": [1], "action": "ratelimit"}])", false, "",
         {2, 1, 0}, 1},
        {R"([{"service": "ppubsImages", "nth": [1], "action": "ratelimit", "ms": 2000}])", true, "", {3, 2, 1, 0}, 0},
        {R"([{"service": "ppubs", "path": "imageviewer", "nth": [1], "action": "session-expired"}])", false, "",
         {}, 2},
        {R"([{"service": "ppubs", "path": "imageviewer", "action": "session-expired"}])", false,
         "USPTO refused the request (403)", {}, 2},
        {R"([{"service": "ppubs", "path": "searchWithBeFamily", "action": "waf"}])", false,
         "USPTO refused the request (403)", {}, 2},
        {R"([{"service": "ppubsImages", "action": "waf"}])", true, "USPTO refused the request (403)", {}, 0},
        {R"([{"service": "ppubsImages", "action": "html"}])", true, "USPTO sent no PDF", {}, 0},
        {R"([{"service": "ppubs", "path": "searchWithBeFamily", "action": "status", "status": 200, "body": "{oops"}])",
         false, "USPTO sent malformed JSON for the search", {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        sim->Reset();
        sim->Faults(c.rules);
        std::vector<int> waits;
        client.SetWaitReport([&](int secondsLeft) { waits.push_back(secondsLeft); });
        const std::optional<std::string> pdf = c.direct ? client.DirectPdf("5123456") : ViaPrintJob("5123456");
        EXPECT_EQ(client.LastFailure().text, wxString(c.failure));
        EXPECT_EQ(bool(pdf), *c.failure == 0);
        EXPECT_EQ(waits, c.waits);
        EXPECT_EQ(Logged("/api/users/me/session"), c.sessions);
    }
}

TEST_F(PpubsClientTest, APendingJobEndsAtThePollBoundOrWhenStopped)
{
    sim->Faults(R"([{"service": "ppubs", "path": "print-process", "action": "pending"}])");
    ASSERT_TRUE(client.OpenSession());
    const std::optional<PpubsDocument> document = client.Search("PP12835");
    ASSERT_TRUE(document) << client.LastFailure().text;
    const std::optional<std::int64_t> job = client.PrintJob(*document);
    ASSERT_TRUE(job) << client.LastFailure().text;

    client.SetPollLimit(2);
    EXPECT_FALSE(client.PollUntilComplete(*job));
    EXPECT_EQ(client.LastFailure().text, "USPTO print job not complete after 2 polls");
    EXPECT_EQ(Logged("/api/print/print-process"), 2u);

    client.SetPollLimit(1000);
    int asked = 0;
    client.SetStopTest([&] { return ++asked > 3; });
    EXPECT_FALSE(client.PollUntilComplete(*job));
    EXPECT_EQ(client.LastFailure().kind, PpubsClient::Failure::Kind::stopped);
    EXPECT_EQ(Logged("/api/print/print-process"), 3u);
}

}  // namespace
