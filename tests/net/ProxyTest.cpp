#include "net/HttpSession.h"
#include "net/ProxyInfo.h"

#include "ClosedPort.h"
#include "ScriptServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

#ifdef _WIN32
// The C runtime's way there; an empty value removes the variable.
int setenv(const char* name, const char* value, int)
{
    return _putenv_s(name, value);
}
int unsetenv(const char* name)
{
    return _putenv_s(name, "");
}
#endif

TEST(ProxyInfo, ChoiceFollowsConnectionTypeAndServer)
{
    using Access = ProxyInfo::Access;
    struct Case
    {
        int type;
        const char* server;
        Access access;
        const char* list;
        const char* bypass;
    };
    const Case cases[] = {
        {0, "proxy.example", Access::Preconfigured, "", ""},
        {1, "proxy.example", Access::Preconfigured, "", ""},
        {2, "", Access::Direct, "", ""},
        {2, "proxy.example", Access::Proxy, "proxy.example:8080", "<LOCAL>"},
    };
    for (const Case& c : cases) {
        const ProxyInfo info = ProxyInfo::For(c.type, c.server, "8080");
        EXPECT_EQ(info.access, c.access) << c.type << " " << c.server;
        EXPECT_EQ(info.proxyList, c.list) << c.type << " " << c.server;
        EXPECT_EQ(info.bypassList, c.bypass) << c.type << " " << c.server;
    }
}

TEST(ProxyInfo, ServerAndPortJoinWithAColonAndAnEmptyPortMeansEighty)
{
    EXPECT_EQ(ProxyInfo::For(2, "proxy.example", "3128").proxyList, "proxy.example:3128");
    EXPECT_EQ(ProxyInfo::For(2, "proxy.example", "").proxyList, "proxy.example:80");
}

TEST(ProxyInfo, HostsWithoutADotBypassTheProxy)
{
    const ProxyInfo proxy = ProxyInfo::For(2, "proxy.example", "80");
    EXPECT_TRUE(proxy.UsesProxyFor("patimg1.uspto.gov"));
    EXPECT_TRUE(proxy.UsesProxyFor("127.0.0.1"));
    EXPECT_FALSE(proxy.UsesProxyFor("localhost"));
    EXPECT_FALSE(proxy.UsesProxyFor("intranet"));
    EXPECT_FALSE(ProxyInfo::For(2, "", "80").UsesProxyFor("patimg1.uspto.gov"));
    EXPECT_FALSE(ProxyInfo::For(0, "proxy.example", "80").UsesProxyFor("patimg1.uspto.gov"));
}

TEST(ProxyInfo, InternetOptionsGiveTheHttpsProxyAndTheirBypassList)
{
    using Access = ProxyInfo::Access;
    struct Case
    {
        bool enabled;
        const char* server;
        Access access;
        const char* list;
    };
    const Case cases[] = {
        {true, "proxy.example:3128", Access::Proxy, "proxy.example:3128"},
        {true, "http=plain.example:80; https=secure.example:443;ftp=f.example:21", Access::Proxy,
         "secure.example:443"},
        {true, "ftp=f.example:21;HTTP=plain.example:80", Access::Proxy, "plain.example:80"},
        {true, "ftp=f.example:21", Access::Preconfigured, ""},
        {true, "", Access::Preconfigured, ""},
        {false, "proxy.example:3128", Access::Preconfigured, ""},
    };
    for (const Case& c : cases) {
        const ProxyInfo info = ProxyInfo::FromInternetOptions(c.enabled, c.server, "<local>");
        EXPECT_EQ(info.access, c.access) << c.server;
        EXPECT_EQ(info.proxyList, c.list) << c.server;
    }

    const ProxyInfo proxy = ProxyInfo::FromInternetOptions(true, "p.example:1", "<Local>; *.corp.example;10.*");
    for (const char* direct : {"intranet", "files.corp.example", "FILES.CORP.EXAMPLE", "10.1.2.3"})
        EXPECT_FALSE(proxy.UsesProxyFor(direct)) << direct;
    for (const char* proxied : {"ppubs.uspto.gov", "corp.example.org", "110.1.2.3"})
        EXPECT_TRUE(proxy.UsesProxyFor(proxied)) << proxied;
}

std::string Body(HttpSession& session, const wxString& path)
{
    auto in = session.Request(path);
    if (!in)
        return "<null>";
    std::string bytes(in->GetSize(), '\0');
    in->Read(&bytes[0], bytes.size());
    return bytes;
}

class ProxyModeTest : public ::testing::Test
{
protected:
    ScriptServer proxy;
    std::string port = std::to_string(proxy.Port());
};

TEST_F(ProxyModeTest, RequestGoesToTheProxyWithTheAbsoluteUrl)
{
    HttpSession session(2, "127.0.0.1", port, "", "");
    ASSERT_TRUE(session.IsReady());
    ASSERT_TRUE(session.Connect("patimg1.example.test"));
    EXPECT_EQ(Body(session, "/ok?Docid=1"), "hello");
    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].proxied);
    EXPECT_EQ(requests[0].line, "GET http://patimg1.example.test/ok?Docid=1 HTTP/1.1");
    EXPECT_FALSE(requests[0].HasHeader("Proxy-Authorization"));
}

TEST_F(ProxyModeTest, ProxyCredentialsAreSentOnlyWhenSet)
{
    struct Case
    {
        const char* user;
        const char* password;
        const char* authorization;  // "" = no header
    };
    const Case cases[] = {
        {"puser", "ppass", "Basic cHVzZXI6cHBhc3M="},
        {"puser", "", "Basic cHVzZXI6"},
        // Only the password option is set; libcurl sends nothing without a user.
        {"", "ppass", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        HttpSession session(2, "127.0.0.1", port, c.user, c.password);
        ASSERT_TRUE(session.Connect("ops.example.test:8080"));
        Body(session, "/ok");
        const auto requests = proxy.Requests();
        ASSERT_FALSE(requests.empty());
        const LoggedRequest& last = requests.back();
        EXPECT_EQ(last.line, "GET http://ops.example.test:8080/ok HTTP/1.1");
        EXPECT_EQ(last.HasHeader("Proxy-Authorization"), *c.authorization != '\0') << c.user << "/" << c.password;
        EXPECT_EQ(last.Header("Proxy-Authorization"), c.authorization) << c.user << "/" << c.password;
    }
}

TEST_F(ProxyModeTest, ProxyAuthenticationAnswerWithAndWithoutPrompt)
{
    HttpSession refused(2, "127.0.0.1", port, "", "");
    ASSERT_TRUE(refused.Connect("ops.example.test"));
    EXPECT_EQ(Body(refused, "/auth407"), "<null>");
    EXPECT_EQ(refused.GetError(), "Proxy Authentication Error");

    HttpSession prompted(2, "127.0.0.1", port, "", "");
    prompted.SetCredentialsPrompt([](bool proxy, wxString& user, wxString& password) {
        user = "puser";
        password = "ppass";
        return proxy;
    });
    ASSERT_TRUE(prompted.Connect("ops.example.test"));
    EXPECT_EQ(Body(prompted, "/auth407"), "through");
}

TEST_F(ProxyModeTest, DotlessHostBypassesTheProxy)
{
    ScriptServer origin;
    // The proxy named here does not exist: only a direct request can succeed.
    HttpSession session(2, "127.0.0.1", std::to_string(ClosedLoopbackPort()), "puser", "ppass");
    ASSERT_TRUE(session.Connect("localhost:" + std::to_string(origin.Port())));
    EXPECT_EQ(Body(session, "/ok"), "hello");
    const auto requests = origin.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].proxied);
    EXPECT_EQ(requests[0].line, "GET /ok HTTP/1.1");
    EXPECT_FALSE(requests[0].HasHeader("Proxy-Authorization"));

    ASSERT_TRUE(session.Connect("127.0.0.1:" + std::to_string(origin.Port())));
    EXPECT_EQ(Body(session, "/ok"), "<null>");
    EXPECT_EQ(session.GetError(), "Can't connect");
}

// Clears the proxy exceptions of the environment for one test.
class NoProxyCleared
{
public:
    NoProxyCleared()
    {
        for (const char* name : {"no_proxy", "NO_PROXY"}) {
            const char* value = getenv(name);
            saved.push_back(value ? std::string(value) : std::string("\x01"));
            unsetenv(name);
        }
    }
    ~NoProxyCleared()
    {
        const char* names[] = {"no_proxy", "NO_PROXY"};
        for (size_t i = 0; i < saved.size(); ++i)
            if (saved[i] != "\x01")
                setenv(names[i], saved[i].c_str(), 1);
    }

private:
    std::vector<std::string> saved;
};

TEST_F(ProxyModeTest, TheEnvironmentNeverSendsARequestPastTheConfiguredProxy)
{
    NoProxyCleared restored;
    const std::string otherProxy = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    const std::pair<const char*, std::string> cases[] = {
        {"no_proxy", "*"},
        {"NO_PROXY", "*"},
        {"no_proxy", "example.test"},
        {"http_proxy", otherProxy},
    };
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(std::string(name) + "=" + value);
        setenv(name, value.c_str(), 1);
        HttpSession session(2, "127.0.0.1", port, "", "");
        ASSERT_TRUE(session.Connect("patimg1.example.test"));
        EXPECT_EQ(Body(session, "/ok"), "hello");
        unsetenv(name);
        ASSERT_FALSE(proxy.Requests().empty());
        EXPECT_TRUE(proxy.Requests().back().proxied);
    }
    EXPECT_EQ(proxy.Requests().size(), std::size(cases));
}

TEST_F(ProxyModeTest, ProxyTypeWithoutServerGoesDirectEvenWithAnEnvironmentProxy)
{
    NoProxyCleared noExceptions;
    ScriptServer origin;
    const std::string envProxy = "http://127.0.0.1:" + port;
    setenv("http_proxy", envProxy.c_str(), 1);
    HttpSession direct(2, "", "", "puser", "ppass");
    HttpSession automatic(0, "", "", "", "");
    unsetenv("http_proxy");

    ASSERT_TRUE(direct.Connect(origin.Host()));
    ASSERT_TRUE(automatic.Connect(origin.Host()));
    setenv("http_proxy", envProxy.c_str(), 1);
    EXPECT_EQ(Body(direct, "/ok"), "hello");
    EXPECT_EQ(Body(automatic, "/ok"), "hello");
    unsetenv("http_proxy");

    // The explicit "no proxy" ignored the environment; the platform default honoured it.
    ASSERT_EQ(origin.Requests().size(), 1u);
    EXPECT_FALSE(origin.Requests()[0].HasHeader("Proxy-Authorization"));
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_TRUE(proxy.Requests()[0].proxied);
}

}  // namespace
