#include "net/HttpsClient.h"

#include "ClosedPort.h"
#include "SimTest.h"

#include <wx/base64.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Json = nlohmann::json;
using HeaderLines = HttpsClient::HeaderLines;

const std::string grantBody = "grant_type=client_credentials";

std::string BasicAuthorization(const std::string& key, const std::string& secret)
{
    const std::string pair = key + ":" + secret;
    return "Authorization: Basic " + std::string(wxBase64Encode(pair.data(), pair.size()).utf8_str());
}

// The value of the first header `name` a logged request carried, or "<none>".
std::string Sent(const Json& entry, const std::string& name)
{
    for (const auto& header : entry.at("headers"))
        if (wxString(header[0].get<std::string>()).IsSameAs(name, false))
            return header[1].get<std::string>();
    return "<none>";
}

NetworkSettings Direct()
{
    NetworkSettings direct;
    direct.connectionType = 1;
    return direct;
}

class HttpsClientTest : public SimTest
{
protected:
    std::string TokenUrl(bool tls = true) const { return sim->OpsUrl(tls) + "/auth/accesstoken"; }
    std::vector<wxString> TokenHeaders(const std::string& secret = OfficeSim::opsSecret) const
    {
        return {BasicAuthorization(OfficeSim::opsKey, secret), "Content-Type: application/x-www-form-urlencoded"};
    }
    Json Log() const { return Json::parse(sim->Log()); }
};

// FIFOs, /dev/zero and truncate() are Linux's; and Wine's Schannel accepts a
// server whose authority Windows would not know.
#ifndef _WIN32
TEST_F(HttpsClientTest, TheSimulatorsCertificateIsTrustedOnlyWithItsAuthorityFile)
{
    const std::string notPem = home.Path() + "/not-a-certificate.pem";
    WriteFile(notPem, "no certificate here\n");
    const std::string fifo = home.Path() + "/fifo.pem";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = home.Path() + "/huge.pem";
    WriteFile(huge, ReadFile(sim->CaFile()));
    ASSERT_EQ(truncate(huge.c_str(), HttpsClient::maxCaFileBytes + 1), 0);
    const std::string unusable = "certificate authority file unusable: ";
    struct Case
    {
        std::string caFile;
        FailureKind kind;
        std::string textStart;
    };
    const Case cases[] = {
        {sim->CaFile(), FailureKind::None, ""},
        {"", FailureKind::Certificate, "certificate not trusted: "},
        {notPem, FailureKind::Certificate, unusable + notPem + ": no certificate in it"},
        {home.Path() + "/missing.pem", FailureKind::Certificate,
         unusable + home.Path() + "/missing.pem: No such file or directory"},
        {home.Path(), FailureKind::Certificate, unusable + home.Path() + ": a folder"},
        {"/dev/zero", FailureKind::Certificate, unusable + "/dev/zero: not a regular file"},
        {fifo, FailureKind::Certificate, unusable + fifo + ": not a regular file"},
        {huge, FailureKind::Certificate, unusable + huge + ": larger than 8388608 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caFile);
        HttpsClient client(Direct(), c.caFile);
        const HttpAnswer answer = client.Post(TokenUrl(), grantBody, TokenHeaders());
        EXPECT_STREQ(FailureKindName(answer.failure.kind), FailureKindName(c.kind)) << answer.failure.text;
        EXPECT_TRUE(answer.failure.text.StartsWith(c.textStart)) << answer.failure.text;
        EXPECT_EQ(answer.failure.text.find_first_of("\r\n"), wxString::npos);
        EXPECT_EQ(client.SetupFailure().Failed(), c.textStart.rfind(unusable, 0) == 0);
    }
}
#endif

TEST_F(HttpsClientTest, PostBodyAndHeadersArriveAndTheAnswersHeadIsReadableOnOneConnection)
{
    HttpsClient client(Direct(), sim->CaFile());
    const HttpAnswer token = client.Post(TokenUrl(), grantBody, TokenHeaders());
    ASSERT_TRUE(token.Ok()) << token.failure.text;
    EXPECT_EQ(token.status, 200u);
    EXPECT_TRUE(token.Header("content-TYPE").StartsWith("application/json")) << token.Header("Content-Type");
    EXPECT_TRUE(token.Header("X-THROTTLING-CONTROL").StartsWith("idle (")) << token.Header("X-Throttling-Control");
    EXPECT_FALSE(token.HasHeader("X-Not-Sent"));
    const std::string accessToken = Json::parse(token.body).at("access_token");

    const std::string inquiry = sim->OpsUrl(true) + "/rest-services/published-data/publication/epodoc/EP1000000/images";
    const HttpAnswer list = client.Get(inquiry, {"Authorization: Bearer " + accessToken, "X-Trace: 7"});
    ASSERT_TRUE(list.Ok()) << list.failure.text;
    EXPECT_NE(list.body.find("number-of-pages=\"12\""), std::string::npos);

    const Json log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0]["method"], "POST");
    EXPECT_EQ(log[1]["method"], "GET");
    EXPECT_EQ(log[0]["conn"], log[1]["conn"]);
    EXPECT_TRUE(log[1]["tls"].get<bool>());
    EXPECT_EQ(Sent(log[0], "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(Sent(log[1], "X-Trace"), "7");
    EXPECT_EQ(Sent(log[1], "Authorization"), "Bearer " + accessToken);
}

TEST_F(HttpsClientTest, HttpsGoesThroughAnHttpProxyByConnect)
{
    NetworkSettings viaProxy;
    viaProxy.connectionType = 2;
    viaProxy.proxyServer = "127.0.0.1";
    viaProxy.proxyPort = std::to_string(sim->Port("maker"));
    viaProxy.proxyUser = "puser";
    viaProxy.proxyPass = "ppass";
    HttpsClient client(viaProxy, sim->CaFile());
    const HttpAnswer token = client.Post(TokenUrl(), grantBody, TokenHeaders());
    ASSERT_TRUE(token.Ok()) << token.failure.text;

    const Json log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0]["method"], "CONNECT");
    EXPECT_EQ(log[0]["path"], sim->Host("ops32tls"));
    EXPECT_EQ(Sent(log[0], "Proxy-Authorization"), "Basic cHVzZXI6cHBhc3M=");
    EXPECT_EQ(log[1]["path"], "/3.2/auth/accesstoken");
    EXPECT_TRUE(log[1]["tls"].get<bool>());

    sim->Faults(R"([{"path": ")" + sim->Host("ops32tls") + R"(", "action": "auth407"}])");
    HttpsClient refused(viaProxy, sim->CaFile());
    const HttpAnswer denied = refused.Post(TokenUrl(), grantBody, TokenHeaders());
    EXPECT_STREQ(FailureKindName(denied.failure.kind), FailureKindName(FailureKind::Auth)) << denied.failure.text;
    EXPECT_EQ(denied.failure.httpStatus, 407u);
}

TEST_F(HttpsClientTest, EveryFailureCarriesItsKind)
{
    sim->Faults(R"([{"path": "/reset", "action": "reset"}])");
    const std::string closed = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/3.2";
    struct Case
    {
        std::string url;
        std::string secret;
        std::vector<wxString> extraHeaders;
        FailureKind kind;
        unsigned status;
    };
    const Case cases[] = {
        {sim->OpsUrl() + "/auth/accesstoken", OfficeSim::opsSecret, {}, FailureKind::None, 200},
        {sim->OpsUrl() + "/auth/accesstoken", "wrong", {}, FailureKind::Auth, 401},
        {sim->OpsUrl() + "/no/such/path", OfficeSim::opsSecret, {}, FailureKind::HttpStatus, 404},
        {sim->OpsUrl() + "/reset", OfficeSim::opsSecret, {}, FailureKind::Read, 0},
        {closed + "/auth/accesstoken", OfficeSim::opsSecret, {}, FailureKind::Connect, 0},
        {"ftp://127.0.0.1/3.2/auth/accesstoken", OfficeSim::opsSecret, {}, FailureKind::Refused, 0},
        {"/3.2/auth/accesstoken", OfficeSim::opsSecret, {}, FailureKind::Refused, 0},
        {sim->OpsUrl() + "/auth/accesstoken", OfficeSim::opsSecret, {"X-Injected: 1\r\nHost: evil"},
         FailureKind::Refused, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url + " " + c.secret);
        HttpsClient client(Direct());
        std::vector<wxString> headers = TokenHeaders(c.secret);
        headers.insert(headers.end(), c.extraHeaders.begin(), c.extraHeaders.end());
        const HttpAnswer answer = client.Post(c.url, grantBody, headers);
        EXPECT_STREQ(FailureKindName(answer.failure.kind), FailureKindName(c.kind)) << answer.failure.text;
        EXPECT_EQ(answer.failure.httpStatus, c.kind == FailureKind::None ? 0u : c.status);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_EQ(answer.failure.text.empty(), c.kind == FailureKind::None) << answer.failure.text;
    }
}

TEST_F(HttpsClientTest, TheStopTestEndsAHangingRequest)
{
    sim->Faults(R"([{"service": "ops32", "action": "hang"}])");
    HttpsClient client(Direct(), sim->CaFile());
    const auto start = std::chrono::steady_clock::now();
    client.SetStopTest([&] { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300); });
    const HttpAnswer answer = client.Post(TokenUrl(), grantBody, TokenHeaders());
    EXPECT_STREQ(FailureKindName(answer.failure.kind), FailureKindName(FailureKind::Stopped));
    // Unstopped, the request would wait for the 60 s stall limit.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(HttpsClientTest, AnAnswerThatDripsEndsAtTheFloorRate)
{
    // A byte every 50 ms: the token answer would take half a minute.
    sim->Faults(R"([{"service": "ops32", "action": "drip", "ms": 50}])");
    HttpsClient client(Direct(), sim->CaFile());
    client.SetSpeedLimits(1, 100);
    const auto start = std::chrono::steady_clock::now();
    const HttpAnswer answer = client.Post(TokenUrl(), grantBody, TokenHeaders());
    EXPECT_STREQ(FailureKindName(answer.failure.kind), FailureKindName(FailureKind::Timeout));
    EXPECT_EQ(answer.failure.text, "answer too slow: under 100 bytes a second for 1 s");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(HttpsClientTest, ABodyOverTheCapEndsTheRequest)
{
    HttpsClient client(Direct(), sim->CaFile());
    client.SetBodyCap(100);
    const HttpAnswer capped = client.Post(TokenUrl(), grantBody, TokenHeaders());
    EXPECT_STREQ(FailureKindName(capped.failure.kind), FailureKindName(FailureKind::TooLarge));
    EXPECT_EQ(capped.failure.text, "answer larger than 100 bytes");
    EXPECT_LE(capped.body.size(), 100u);
    client.SetBodyCap(HttpsClient::defaultBodyCap);
    EXPECT_TRUE(client.Post(TokenUrl(), grantBody, TokenHeaders()).Ok());
}

TEST_F(HttpsClientTest, ASessionCookieGoesBackOnlyFromTheClientThatGotIt)
{
    // The page that hands out a cookie and a session that needs it.
    sim->Control("POST", "/_sim/ppubs", R"({"cookie": true})");
    const std::string ppubs = sim->PpubsUrl(false, true);
    const HeaderLines json = {"Content-Type: application/json"};
    HttpsClient browsing(Direct(), sim->CaFile());
    ASSERT_TRUE(browsing.Get(ppubs + "/pubwebapp/").Ok());
    const HttpAnswer session = browsing.Post(ppubs + "/api/users/me/session", "-1", json);
    EXPECT_EQ(session.status, 200u) << session.body;
    EXPECT_FALSE(session.Header("x-access-token").empty());

    HttpsClient stranger(Direct(), sim->CaFile());
    EXPECT_EQ(stranger.Post(ppubs + "/api/users/me/session", "-1", json).status, 403u);
    EXPECT_TRUE(Sent(Log().back(), "Cookie") == "<none>");
}

}  // namespace
