#include "net/HttpSession.h"

#include "ClosedPort.h"
#include "ScriptServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string agent =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.1) Gecko/20061204 Firefox/2.0.0.1";
const std::string acceptList =
    "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5";

std::string ReadAll(wxInputStream& in)
{
    std::string bytes;
    char buffer[4096];
    while (in.CanRead()) {
        in.Read(buffer, sizeof buffer);
        bytes.append(buffer, in.LastRead());
    }
    return bytes;
}

class HttpSessionTest : public ::testing::Test
{
protected:
    ScriptServer server;
    HttpSession session{0, "", "", "", ""};

    std::string Fetch(const wxString& path)
    {
        auto body = session.Request(path);
        return body ? ReadAll(*body) : std::string("<null>");
    }
};

TEST_F(HttpSessionTest, SendsTheAgentAcceptListAndHeaderLinesInOrder)
{
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/ok?Query=APN%2F\"10/123\"+and+x&d=PG01"), "hello");
    session.AddHeader("X-First: 1");
    EXPECT_EQ(Fetch("/ok"), "hello");
    session.AddHeader("X-Second: 2");
    EXPECT_EQ(Fetch("/ok"), "hello");

    const std::vector<std::string> defaults = {
        "Host: " + server.Host(),
        "User-Agent: " + agent,
        "Accept: " + acceptList,
        "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7",
        "Content-Type: text/xml; charset=utf-8",
        "Accept-Encoding: gzip,deflate",
        "Accept-Language: en-us,en;q=0.5",
        "Connection: keep-alive",
    };
    std::vector<std::string> second = defaults;
    second.push_back("X-First: 1");
    std::vector<std::string> third = second;
    third.push_back("X-Second: 2");

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].line, "GET /ok?Query=APN%2F\"10/123\"+and+x&d=PG01 HTTP/1.1");
    EXPECT_EQ(requests[0].headers, defaults);
    EXPECT_EQ(requests[1].headers, second);
    EXPECT_EQ(requests[2].headers, third);
}

TEST_F(HttpSessionTest, KeepsOneConnectionForSeveralRequests)
{
    ASSERT_TRUE(session.Connect(server.Host()));
    for (const char* path : {"/ok", "/notfound", "/chunked", "/ok"})
        EXPECT_NE(Fetch(path), "<null>") << path;
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const auto& r : requests)
        EXPECT_EQ(r.connection, requests[0].connection);
}

TEST_F(HttpSessionTest, AnswersReachTheCallerAsTheyCame)
{
    struct Case
    {
        const char* path;
        const char* body;
        unsigned status;
        const char* error;
    };
    const Case cases[] = {
        {"/ok", "hello", 200, ""},
        {"/empty", "<null>", 200, "Empty Stream"},
        {"/notfound", "<html>no such page</html>", 404, ""},
        {"/redirect", "moved", 302, ""},
        {"/gzip", "not really gzip", 200, ""},
        {"/chunked", "hello world", 200, ""},
        {"/auth401", "<null>", 401, "Server Authentication Error"},
        {"/auth407", "<null>", 407, "Proxy Authentication Error"},
    };
    ASSERT_TRUE(session.Connect(server.Host()));
    for (const Case& c : cases) {
        HttpSession fresh(0, "", "", "", "");
        ASSERT_TRUE(fresh.Connect(server.Host()));
        auto body = fresh.Request(c.path);
        EXPECT_EQ(body ? ReadAll(*body) : "<null>", c.body) << c.path;
        EXPECT_EQ(fresh.GetStatusCode(), c.status) << c.path;
        EXPECT_EQ(fresh.GetError(), c.error) << c.path;
    }
}

TEST_F(HttpSessionTest, BrokenAnswersFail)
{
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/truncated"), "<null>");
    EXPECT_EQ(session.GetError(), "Error 18 in WinINetReadData.");
    EXPECT_EQ(Fetch("/close"), "<null>");
    EXPECT_EQ(session.GetError(), "Error sending request");
    // The session recovers on a fresh connection.
    EXPECT_EQ(Fetch("/ok"), "hello");
}

TEST_F(HttpSessionTest, RequestBeforeConnectIsNotConnected)
{
    EXPECT_EQ(Fetch("/ok"), "<null>");
    EXPECT_EQ(session.GetError(), "Not Connected");
    EXPECT_EQ(session.GetStatusCode(), 0u);
}

TEST_F(HttpSessionTest, BadHostsAndPathsAreRefused)
{
    for (const char* host : {"", "host:0", "host:99999", "host:http", "a b", "evil/../x", "user@host"}) {
        EXPECT_FALSE(session.Connect(host)) << host;
        EXPECT_EQ(session.GetError(), "Can't connect") << host;
    }
    ASSERT_TRUE(session.Connect(server.Host()));
    for (const char* path : {"ok", "/a b", "/x\r\nInjected: 1"}) {
        EXPECT_EQ(Fetch(path), "<null>") << path;
        EXPECT_EQ(session.GetError(), wxString("Error requesting ") + path) << path;
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(HttpSessionTest, ClosedPortCannotConnect)
{
    ASSERT_TRUE(session.Connect("127.0.0.1:" + std::to_string(ClosedLoopbackPort())));
    EXPECT_EQ(Fetch("/ok"), "<null>");
    EXPECT_EQ(session.GetError(), "Can't connect");
}

TEST_F(HttpSessionTest, ErrorTextAndStatusSurviveLaterRequests)
{
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/empty"), "<null>");
    EXPECT_EQ(Fetch("/notfound"), "<html>no such page</html>");
    EXPECT_EQ(session.GetError(), "Empty Stream");
    EXPECT_EQ(session.GetStatusCode(), 404u);

    // No status at all leaves the last one in place.
    ASSERT_TRUE(session.Connect("127.0.0.1:" + std::to_string(ClosedLoopbackPort())));
    EXPECT_EQ(Fetch("/ok"), "<null>");
    EXPECT_EQ(session.GetStatusCode(), 404u);
}

TEST_F(HttpSessionTest, CredentialsPromptLeadsToAResend)
{
    int asked = 0;
    session.SetCredentialsPrompt([&](bool proxy, wxString& user, wxString& password) {
        ++asked;
        EXPECT_FALSE(proxy);
        user = "user";
        password = "pass";
        return true;
    });
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/auth401"), "secret");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(session.GetStatusCode(), 200u);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].HasHeader("Authorization"));
    EXPECT_EQ(requests[1].Header("Authorization"), "Basic dXNlcjpwYXNz");
}

TEST_F(HttpSessionTest, ServerCredentialsStayWithTheirHost)
{
    ScriptServer other;
    session.SetCredentialsPrompt([](bool, wxString& user, wxString& password) {
        user = "user";
        password = "pass";
        return true;
    });
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/auth401"), "secret");
    EXPECT_EQ(Fetch("/ok"), "hello");
    ASSERT_TRUE(session.Connect("localhost:" + std::to_string(other.Port())));
    EXPECT_EQ(Fetch("/ok"), "hello");
    ASSERT_EQ(server.Requests().size(), 3u);
    EXPECT_TRUE(server.Requests()[2].HasHeader("Authorization"));
    ASSERT_EQ(other.Requests().size(), 1u);
    EXPECT_FALSE(other.Requests()[0].HasHeader("Authorization"));
}

TEST_F(HttpSessionTest, DecliningThePromptReportsTheAuthenticationError)
{
    session.SetCredentialsPrompt([](bool, wxString&, wxString&) { return false; });
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/auth401"), "<null>");
    EXPECT_EQ(session.GetError(), "Server Authentication Error");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpSessionTest, SecondConnectSwitchesHostAndClosesTheFirstConnection)
{
    ScriptServer other;
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/ok"), "hello");
    ASSERT_TRUE(session.Connect(other.Host()));
    EXPECT_EQ(Fetch("/ok"), "hello");
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(other.Requests().size(), 1u);

    const int first = server.Requests()[0].connection;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (server.ClosedConnections().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(server.ClosedConnections(), std::vector<int>{first});
}

TEST_F(HttpSessionTest, StopTestAbortsAStalledRequest)
{
    ASSERT_TRUE(session.Connect(server.Host()));
    const auto start = std::chrono::steady_clock::now();
    session.SetStopTest([&] { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300); });
    EXPECT_EQ(Fetch("/stall"), "<null>");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::milliseconds(1500));
    EXPECT_EQ(session.GetError(), "Error sending request");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(HttpSessionTest, EndlessBodyIsCutAtTheLimit)
{
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/huge"), "<null>");
    EXPECT_EQ(session.GetError(), "Response too large");
    EXPECT_EQ(Fetch("/ok"), "hello");
}

std::string Kind(FailureKind kind)
{
    return FailureKindName(kind);
}

TEST_F(HttpSessionTest, EveryRequestEndsWithAFailureKind)
{
    const std::string closed = "127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    struct Case
    {
        std::string host;
        const char* path;
        FailureKind kind;
        unsigned httpStatus;
        bool answered;
    };
    const Case cases[] = {
        {server.Host(), "/ok", FailureKind::None, 0, true},
        {server.Host(), "/notfound", FailureKind::HttpStatus, 404, true},
        {server.Host(), "/redirect", FailureKind::HttpStatus, 302, true},
        {server.Host(), "/empty", FailureKind::Empty, 200, true},
        {server.Host(), "/auth401", FailureKind::Auth, 401, false},
        {server.Host(), "/auth407", FailureKind::Auth, 407, false},
        {server.Host(), "/close", FailureKind::Read, 0, false},
        {server.Host(), "/truncated", FailureKind::Read, 200, false},
        {server.Host(), "/huge", FailureKind::TooLarge, 200, false},
        {server.Host(), "/stall", FailureKind::Stopped, 0, false},
        {server.Host(), "/a b", FailureKind::Refused, 0, false},
        {closed, "/ok", FailureKind::Connect, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        HttpSession fresh(0, "", "", "", "");
        const auto start = std::chrono::steady_clock::now();
        if (c.kind == FailureKind::Stopped)
            fresh.SetStopTest([&] { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300); });
        ASSERT_TRUE(fresh.Connect(c.host));
        const bool gotBody = fresh.Request(c.path) != nullptr;
        const RequestFailure& failure = fresh.GetFailure();
        EXPECT_EQ(Kind(failure.kind), Kind(c.kind)) << failure.text;
        EXPECT_EQ(failure.httpStatus, c.httpStatus);
        EXPECT_EQ(fresh.Answered(), c.answered);
        // The session's own text stays the error of a request that gave no body.
        if (!gotBody) {
            EXPECT_EQ(failure.text, fresh.GetError());
        }
    }
}

TEST_F(HttpSessionTest, ConnectSetsTheFailureOfItsOwn)
{
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Fetch("/notfound"), "<html>no such page</html>");
    ASSERT_EQ(Kind(session.GetFailure().kind), "HttpStatus");
    // A host refused here is not mistaken for the server's last answer.
    EXPECT_FALSE(session.Connect("a b"));
    EXPECT_EQ(Kind(session.GetFailure().kind), "Refused");
    EXPECT_EQ(session.GetStatusCode(), 404u);
    ASSERT_TRUE(session.Connect(server.Host()));
    EXPECT_EQ(Kind(session.GetFailure().kind), "None");

    HttpSession unconnected(0, "", "", "", "");
    EXPECT_EQ(unconnected.Request("/ok"), nullptr);
    EXPECT_EQ(Kind(unconnected.GetFailure().kind), "Refused");
    EXPECT_EQ(unconnected.GetFailure().text, "Not Connected");
}

}  // namespace
