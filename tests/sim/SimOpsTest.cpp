// The simulator's EPO OPS 3.2: tokens, the image inquiry, big-endian pages,
// the throttling header, the fault answers and the TLS listener.
#include "OfficeSim.h"
#include "SimClient.h"
#include "SimTest.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <wx/base64.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

#include <regex>

namespace {

const std::string rest = "/3.2/rest-services/";
const std::string a2Link = "published-data/images/EP/2219563/A2/fullimage";
const std::string defaultThrottling =
    "idle (images=green:200, inpadoc=green:60, other=green:1000, retrieval=green:200, "
    "search=green:30)";
const std::string fairUse =
    "<message>This request has been rejected due to the violation of Fair Use policy</message>";

std::string Inquiry(const std::string& reference)
{
    return rest + "published-data/publication/" + reference + "/images";
}

std::string Page(const std::string& link, int page)
{
    return rest + link + ".tiff?Range=" + std::to_string(page);
}

class SimOps : public SimTest
{
protected:
    static SimClient::Answer RequestToken(SimClient& client, const std::string& host,
                                          const std::string& key, const std::string& secret,
                                          const std::string& body = "grant_type=client_credentials")
    {
        std::string credentials = key + ":" + secret;
        std::vector<std::string> headers = {"Content-Type: application/x-www-form-urlencoded"};
        if (!key.empty())
            headers.push_back("Authorization: Basic " +
                              wxBase64Encode(credentials.data(), credentials.size()).ToStdString());
        return client.Post(host, "/3.2/auth/accesstoken", body, headers);
    }

    static std::string AccessToken(const std::string& json)
    {
        std::smatch m;
        std::regex field("\"access_token\"\\s*:\\s*\"([^\"]+)\"");
        return std::regex_search(json, m, field) ? m[1].str() : std::string();
    }

    // A fresh token for the demo key.
    static std::string Token()
    {
        SimClient client;
        return AccessToken(
            RequestToken(client, sim->Host("ops32"), OfficeSim::opsKey, OfficeSim::opsSecret).body);
    }

    static SimClient::Answer Get(const std::string& path, const std::string& token,
                                 std::vector<std::string> headers = {})
    {
        SimClient client;
        if (!token.empty())
            headers.push_back("Authorization: Bearer " + token);
        return client.Get(sim->Host("ops32"), path, headers);
    }
};

TEST_F(SimOps, TokenIsGrantedForTheDemoKeyOnly)
{
    const std::string key = OfficeSim::opsKey, secret = OfficeSim::opsSecret;
    const struct
    {
        std::string key, secret, body;
        long status;
        const char* bodyPart;
    } cases[] = {
        {key, secret, "grant_type=client_credentials", 200, "\"token_type\" : \"BearerToken\""},
        {key, "wrong", "grant_type=client_credentials", 401, "<message>ClientId is Invalid</message>"},
        {"nobody", secret, "grant_type=client_credentials", 401, "<code>401</code>"},
        {"", "", "grant_type=client_credentials", 401, "<code>401</code>"},
        {key, secret, "", 400, "<message>Required param : grant_type</message>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key + ":" + c.secret + " " + c.body);
        SimClient client;
        SimClient::Answer a = RequestToken(client, sim->Host("ops32"), c.key, c.secret, c.body);
        EXPECT_EQ(c.status, a.status);
        EXPECT_NE(std::string::npos, a.body.find(c.bodyPart)) << a.body;
        EXPECT_EQ(c.status == 200, !AccessToken(a.body).empty());
    }
    SimClient client;
    SimClient::Answer granted = RequestToken(client, sim->Host("ops32"), key, secret);
    EXPECT_EQ("application/json", granted.Header("Content-Type"));
    EXPECT_TRUE(std::regex_search(granted.body, std::regex("\"expires_in\" : \"1199\"")));
    EXPECT_NE(AccessToken(granted.body), Token());
}

TEST_F(SimOps, RestServicesAnswerOnlyAValidBearerToken)
{
    const std::string path = Inquiry("epodoc/EP1000000");
    const struct
    {
        std::string token;
        const char* description;  // of the 400, nullptr: 200
    } cases[] = {
        {"", "Access token is missing"},
        {"made-up", "Invalid access token"},
        {Token(), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.token);
        SimClient::Answer a = Get(path, c.token);
        if (!c.description) {
            EXPECT_EQ(200, a.status);
            continue;
        }
        EXPECT_EQ(400, a.status);
        EXPECT_NE(std::string::npos, a.body.find("<message>invalid_access_token</message>"));
        EXPECT_NE(std::string::npos, a.body.find(std::string("<description>") + c.description));
        EXPECT_EQ(0u, a.Header("WWW-Authenticate").find("Bearer realm=\"null\",error="));
    }

    // A forced expiry ends every token issued so far; a new one works.
    std::string old = Token();
    sim->Faults(R"([{"service": "ops32", "path": "Range=2", "nth": [1], "action": "expired"}])");
    SimClient::Answer expired = Get(Page(a2Link, 2), old);
    EXPECT_EQ(400, expired.status);
    EXPECT_NE(std::string::npos, expired.body.find("Access token has expired"));
    EXPECT_EQ(400, Get(Page(a2Link, 1), old).status);
    std::string renewed = Token();
    EXPECT_EQ(200, Get(Page(a2Link, 2), renewed).status);
    EXPECT_EQ(200, Get(Page(a2Link, 1), renewed).status);
}

struct Instance
{
    std::string desc, link;
    long pages = 0;
    std::vector<std::pair<std::string, long>> sections;
};

struct InquiryResult
{
    std::string kind;
    std::vector<Instance> instances;
};

wxXmlNode* Child(const wxXmlNode* node, const char* name)
{
    for (wxXmlNode* c = node ? node->GetChildren() : nullptr; c; c = c->GetNext())
        if (c->GetType() == wxXML_ELEMENT_NODE && c->GetName() == name)
            return c;
    return nullptr;
}

long Number(const wxXmlNode* node, const char* attribute)
{
    long n = -1;
    node->GetAttribute(attribute).ToLong(&n);
    return n;
}

std::vector<InquiryResult> ReadInquiry(const std::string& xml)
{
    wxMemoryInputStream in(xml.data(), xml.size());
    wxXmlDocument doc;
    std::vector<InquiryResult> results;
    if (!doc.Load(in)) {
        ADD_FAILURE() << "not XML: " << xml;
        return results;
    }
    EXPECT_EQ("ops:world-patent-data", doc.GetRoot()->GetName());
    EXPECT_EQ("http://ops.epo.org", doc.GetRoot()->GetAttribute("xmlns:ops"));
    wxXmlNode* inquiry = Child(doc.GetRoot(), "ops:document-inquiry");
    for (wxXmlNode* r = inquiry ? inquiry->GetChildren() : nullptr; r; r = r->GetNext()) {
        if (r->GetName() != "ops:inquiry-result")
            continue;
        InquiryResult result;
        wxXmlNode* kind = Child(Child(Child(r, "publication-reference"), "document-id"), "kind");
        result.kind = kind ? kind->GetNodeContent().ToStdString() : "";
        for (wxXmlNode* i = r->GetChildren(); i; i = i->GetNext()) {
            if (i->GetName() != "ops:document-instance")
                continue;
            Instance instance{i->GetAttribute("desc").ToStdString(),
                              i->GetAttribute("link").ToStdString(), Number(i, "number-of-pages"), {}};
            for (wxXmlNode* s = i->GetChildren(); s; s = s->GetNext())
                if (s->GetName() == "ops:document-section")
                    instance.sections.emplace_back(s->GetAttribute("name").ToStdString(),
                                                   Number(s, "start-page"));
            result.instances.push_back(instance);
        }
        results.push_back(result);
    }
    return results;
}

TEST_F(SimOps, InquiryListsEveryKindWithItsInstancesAndSections)
{
    const struct
    {
        const char* reference;
        std::vector<std::string> kinds;
        std::vector<long> fullPages;  // of the FullDocument instances, in order
        const char* firstFullLink;
    } cases[] = {
        {"epodoc/EP2219563", {"A1", "A2", "B1"}, {5, 12, 12}, "published-data/images/EP/2219563/A1/fullimage"},
        {"epodoc/EP2219563.B1", {"B1"}, {12}, "published-data/images/EP/2219563/B1/fullimage"},
        {"docdb/EP.2219563.A2", {"A2"}, {12}, "published-data/images/EP/2219563/A2/fullimage"},
        {"epodoc/EP1000000", {"A1"}, {12}, "published-data/images/EP/1000000/A1/fullimage"},
        {"epodoc/EP1600000", {"A1"}, {3}, "published-data/images/WO/2004012345/A1/fullimage"},
        {"epodoc/WO2004012345", {"A1"}, {3}, "published-data/images/WO/2004012345/A1/fullimage"},
        {"epodoc/EP1234567", {"A1"}, {}, ""},
        {"epodoc/US5123456", {"A"}, {3}, "published-data/images/US/5123456/A/fullimage"},
        {"epodoc/USD365123", {"S"}, {2}, "published-data/images/US/D365123/S/fullimage"},
        // An application publication: asked as year and six digits, its link keeps eleven.
        {"epodoc/US2002000051", {"A1"}, {3}, "published-data/images/US/20020000051/A1/fullimage"},
        {"epodoc/WO02051231", {"A1"}, {2}, "published-data/images/WO/02051231/A1/fullimage"},
        {"epodoc/US6000051", {"A", "X6"}, {2, 1}, "published-data/images/US/6000051/A/fullimage"},
    };
    const std::string token = Token();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reference);
        SimClient::Answer a = Get(Inquiry(c.reference), token);
        ASSERT_EQ(200, a.status);
        EXPECT_EQ("application/xml", a.Header("Content-Type"));
        std::vector<std::string> kinds;
        std::vector<long> fullPages;
        std::string firstFullLink;
        for (const auto& result : ReadInquiry(a.body)) {
            kinds.push_back(result.kind);
            for (const auto& instance : result.instances) {
                if (instance.desc != "FullDocument")
                    continue;
                fullPages.push_back(instance.pages);
                if (firstFullLink.empty())
                    firstFullLink = instance.link;
            }
        }
        EXPECT_EQ(c.kinds, kinds);
        EXPECT_EQ(c.fullPages, fullPages);
        EXPECT_EQ(c.firstFullLink, firstFullLink);
    }

    auto ep = ReadInquiry(Get(Inquiry("epodoc/EP2219563"), token).body);
    ASSERT_EQ(3u, ep.size());
    ASSERT_EQ(3u, ep[0].instances.size());
    EXPECT_EQ("Drawing", ep[0].instances[1].desc);
    EXPECT_EQ("FirstPageClipping", ep[0].instances[2].desc);
    const std::vector<std::pair<std::string, long>> a2Sections = {
        {"ABSTRACT", 1}, {"BIBLIOGRAPHY", 1}, {"DESCRIPTION", 2}, {"CLAIMS", 6}, {"DRAWINGS", 8},
        {"SEARCH_REPORT", 11}};
    EXPECT_EQ(a2Sections, ep[1].instances.at(0).sections);

    const struct
    {
        const char* reference;
        long status;
        const char* code;
    } refused[] = {
        {"epodoc/EP9999999", 404, "SERVER.EntityNotFound"},
        {"epodoc/WO2004/012345", 404, "SERVER.EntityNotFound"},
        {"epodoc/US20020000051", 404, "SERVER.EntityNotFound"},  // the application's number
        {"epodoc/EP2219563.C1", 404, "SERVER.EntityNotFound"},
        {"docdb/EP.2219563", 413, "CLIENT.AmbiguousRequest"},
    };
    for (const auto& r : refused) {
        SimClient::Answer a = Get(Inquiry(r.reference), token);
        EXPECT_EQ(r.status, a.status) << r.reference;
        EXPECT_NE(std::string::npos, a.body.find(std::string("<code>") + r.code + "</code>"))
            << a.body;
        EXPECT_NE(std::string::npos, a.body.find("<fault xmlns=\"http://ops.epo.org\">"));
    }
}

TEST_F(SimOps, PagesAreBigEndianA4G4KeepingTheStripsOfTheClassicRoute)
{
    const std::string token = Token();
    const std::string usLink = "published-data/images/US/5123456/A/fullimage";
    const struct
    {
        int page;
        const char* source;
    } cases[] = {{1, "g4-1.tif"}, {2, "g4-2.tif"}, {3, "g4-3.tif"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        SimClient::Answer a = Get(Page(usLink, c.page), token);
        ASSERT_EQ(200, a.status);
        EXPECT_EQ("application/tiff", a.Header("Content-Type"));
        TiffFields page = ReadTiff(a.body);
        TiffFields source =
            ReadTiff(ReadFile(std::string(FH_SOURCE_DIR "/tools/office-sim/pages/") + c.source));
        EXPECT_TRUE(page.bigEndian);
        EXPECT_EQ(4u, page.Value(259));
        EXPECT_EQ(1u, page.tags.count(262));
        EXPECT_EQ(0u, page.Value(262));
        EXPECT_EQ(3u, page.Value(296));
        for (unsigned absent : {258u, 266u, 293u})
            EXPECT_EQ(0u, page.tags.count(absent)) << absent;
        SimClient classic;
        std::string classicStrip =
            ReadTiff(classic.Get(sim->Host("patentImages2"),
                                 "/.DImg?Docid=5123456&PageNum=" + std::to_string(c.page) + "&IDKey=0")
                         .body)
                .strip;
        ASSERT_FALSE(classicStrip.empty());
        EXPECT_EQ(classicStrip, page.strip);
        EXPECT_EQ(source.Value(256), page.Value(256));
        EXPECT_EQ(source.Value(257), page.Value(257));
        // An A4 sheet in pixels per centimetre, a different resolution per axis.
        EXPECT_NEAR(21.0, page.Value(256) / page.Rational(282), 1e-9);
        EXPECT_NEAR(29.7, page.Value(257) / page.Rational(283), 1e-9);
        EXPECT_NE(page.Rational(282), page.Rational(283));
    }
    const std::string page8 = Get(Page(a2Link, 8), token).body;
    EXPECT_EQ(page8, Get(rest + a2Link + "?Range=8", token, {"Accept: application/tiff"}).body);
    EXPECT_EQ(Get(Page(a2Link, 1), token).body, Get(Page(a2Link, 1), token, {"Range: 8"}).body);
    EXPECT_NE(page8, Get(Page(a2Link, 1), token).body);
    for (int outside : {0, 13})
        EXPECT_EQ(404, Get(Page(a2Link, outside), token).status) << outside;
}

TEST_F(SimOps, EveryAnswerCarriesTheThrottlingState)
{
    const std::string token = Token();
    SimClient client;
    std::vector<SimClient::Answer> answers = {
        RequestToken(client, sim->Host("ops32"), OfficeSim::opsKey, "wrong"),
        RequestToken(client, sim->Host("ops32"), OfficeSim::opsKey, OfficeSim::opsSecret),
        Get(Inquiry("epodoc/EP1000000"), token),
        Get(Page(a2Link, 1), token),
        Get(Inquiry("epodoc/EP9999999"), token),
        Get(Page(a2Link, 1), ""),
    };
    for (const auto& a : answers)
        EXPECT_EQ(defaultThrottling, a.Header("X-Throttling-Control")) << a.status;

    // Quotas count the bytes served.
    SimClient::Answer first = Get(Page(a2Link, 2), token);
    SimClient::Answer second = Get(Page(a2Link, 3), token);
    EXPECT_EQ(std::stoul(first.Header("X-IndividualQuotaPerHour-Used")) + second.body.size(),
              std::stoul(second.Header("X-IndividualQuotaPerHour-Used")));
    EXPECT_FALSE(second.Header("X-RegisteredQuotaPerWeek-Used").empty());

    const std::string busy = "busy (images=green:600, inpadoc=green:60, other=green:1000, "
                             "retrieval=yellow:100, search=green:30)";
    sim->Control("POST", "/_sim/ops", "{\"throttling\": \"" + busy + "\"}");
    EXPECT_EQ(busy, Get(Page(a2Link, 1), token).Header("X-Throttling-Control"));
    sim->Control("POST", "/_sim/ops", R"({"throttling": ""})");
    EXPECT_FALSE(Get(Page(a2Link, 1), token).HasHeader("X-Throttling-Control"));
    // The classic OPS service stays as it was.
    SimClient classic;
    EXPECT_FALSE(classic.Get(sim->Host("ops"), "/2.6.2/rest-services/" + a2Link + ".tiff?Range=1")
                     .HasHeader("X-Throttling-Control"));
}

TEST_F(SimOps, FaultRulesAnswerAsOpsDoes)
{
    const struct
    {
        const char* path;  // which request the rule hits
        const char* rule;
        long status;
        const char* reason;      // X-Rejection-Reason, "" when none
        const char* retryAfter;  // "" when none
        std::string bodyPart;
        const char* throttling;  // a part of X-Throttling-Control; "" for no header
    } cases[] = {
        {"Range=2", R"("action": "throttled", "ms": 2500)", 403, "ThrottlingControlQuota", "2500",
         fairUse, "images=black:0"},
        {"/images", R"("action": "throttled")", 403, "ThrottlingControlQuota", "1000", fairUse,
         "retrieval=black:0"},
        {"Range=2", R"("action": "hourly")", 403, "IndividualQuotaPerHour", "", fairUse, ""},
        {"Range=2", R"("action": "hourly", "ms": 60000)", 403, "IndividualQuotaPerHour", "60000",
         fairUse, ""},
        {"Range=2", R"("action": "weekly")", 403, "RegisteredQuotaPerWeek", "", fairUse, ""},
        {"Range=2", R"("action": "maintenance")", 500, "", "", "<code>SERVER.DomainAccess</code>",
         "idle"},
        {"Range=2", R"("action": "maintenance", "status": 503)", 503, "", "",
         "<code>SERVER.LimitedServerResources</code>", "idle"},
        {"Range=2", R"("action": "notfound")", 404, "", "", "<code>SERVER.EntityNotFound</code>",
         "idle"},
        {"Range=2", R"("action": "expired")", 400, "", "", "<message>invalid_access_token</message>",
         "idle"},
        {"/images", R"("action": "unauthorized")", 401, "", "", "<code>401</code>", "idle"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        sim->Faults(std::string(R"([{"service": "ops32", "nth": [1], "path": ")") + c.path +
                    "\", " + c.rule + "}]");
        std::string path = std::string(c.path) == "/images" ? Inquiry("epodoc/EP1000000")
                                                            : Page(a2Link, 2);
        SimClient::Answer a = Get(path, Token());
        EXPECT_EQ(c.status, a.status);
        EXPECT_EQ(c.reason, a.Header("X-Rejection-Reason"));
        EXPECT_EQ(c.retryAfter, a.Header("Retry-After"));
        EXPECT_NE(std::string::npos, a.body.find(c.bodyPart)) << a.body;
        EXPECT_EQ(*c.throttling != '\0', a.HasHeader("X-Throttling-Control"));
        EXPECT_NE(std::string::npos, a.Header("X-Throttling-Control").find(c.throttling));
        // The rule hit only its first match.
        EXPECT_EQ(200, Get(path, Token()).status);
    }
}

TEST_F(SimOps, TlsListenerIsTrustedWithTheGeneratedAuthorityOnly)
{
    ASSERT_FALSE(sim->CaFile().empty());
    ASSERT_EQ("https://" + sim->Host("ops32tls") + "/3.2", sim->OpsUrl(true));
    SimClient trusting;
    trusting.UseTls(sim->CaFile());
    SimClient::Answer a = RequestToken(trusting, sim->Host("ops32tls"), OfficeSim::opsKey,
                                       OfficeSim::opsSecret);
    EXPECT_EQ(200, a.status);
    EXPECT_EQ(200, trusting.Get(sim->Host("ops32tls"), Page(a2Link, 1),
                                {"Authorization: Bearer " + AccessToken(a.body)}).status);

    SimClient doubting;
    doubting.UseTls("");
    EXPECT_EQ(CURLE_PEER_FAILED_VERIFICATION,
              RequestToken(doubting, sim->Host("ops32tls"), OfficeSim::opsKey, OfficeSim::opsSecret)
                  .code);

    // Any listener tunnels HTTPS to the simulator's own listeners with CONNECT.
    sim->Reset();
    SimClient proxied;
    proxied.UseTls(sim->CaFile());
    proxied.UseProxy(sim->Host("maker"), "alice:secret");
    EXPECT_EQ(200, RequestToken(proxied, sim->Host("ops32tls"), OfficeSim::opsKey,
                                OfficeSim::opsSecret).status);
    std::string log = sim->Log();
    EXPECT_NE(std::string::npos, log.find("\"method\": \"CONNECT\", \"path\": \"" +
                                          sim->Host("ops32tls") + "\""))
        << log;
    EXPECT_NE(std::string::npos, log.find(R"(["Proxy-Authorization", "Basic YWxpY2U6c2VjcmV0"])"));
    EXPECT_NE(std::string::npos, log.find("\"path\": \"/3.2/auth/accesstoken\""));
    EXPECT_NE(std::string::npos, log.find("\"tls\": true"));
}

}  // namespace
