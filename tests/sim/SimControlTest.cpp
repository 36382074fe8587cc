// The simulator's controls: fault rules, the request log, proxying to its
// own services, taking a listener down and writing the settings file.
#include "OfficeSim.h"
#include "SimClient.h"
#include "SimTest.h"
#include "TempHome.h"
#include "settings/NetworkSettings.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <wx/init.h>

#include <algorithm>
#include <memory>
#include <regex>

#include <sys/stat.h>

namespace {

// Reading the settings back needs wxWidgets' base initialised.
class WxBase : public ::testing::Environment
{
    void SetUp() override { init = std::make_unique<wxInitializer>(); }
    void TearDown() override { init.reset(); }
    std::unique_ptr<wxInitializer> init;
};

const auto* const wxBaseEnvironment = ::testing::AddGlobalTestEnvironment(new WxBase);

class SimControl : public SimTest
{
};

const char* const page2 = "/.DImg?Docid=5123456&PageNum=2&IDKey=0&ImgFormat=tif";
const char* const page3 = "/.DImg?Docid=5123456&PageNum=3&IDKey=0&ImgFormat=tif";

// One log entry per element: the text from one {"service" to the next.
std::vector<std::string> LogEntries(const std::string& log)
{
    std::vector<std::string> entries;
    size_t at = log.find("{\"service\"");
    while (at != std::string::npos) {
        size_t next = log.find("{\"service\"", at + 1);
        entries.push_back(log.substr(at, next == std::string::npos ? next : next - at));
        at = next;
    }
    return entries;
}

int Conn(const std::string& entry)
{
    std::smatch m;
    return std::regex_search(entry, m, std::regex("\"conn\": (\\d+)")) ? std::stoi(m[1].str()) : -1;
}

TEST_F(SimControl, RuleHitsExactlyTheNthMatchingRequest)
{
    sim->Faults(R"([{"service": "patentImages2", "path": "PageNum=3", "nth": [2],
                    "action": "status", "status": 500}])");
    SimClient client;
    const std::string host = sim->Host("patentImages2");
    EXPECT_EQ(200, client.Get(host, page3).status);
    // Neither another service nor another page counts as a match.
    EXPECT_EQ(200, client.Get(sim->Host("patentImages1"), "/.DImg?Docid=7000100&PageNum=3").status);
    EXPECT_EQ(200, client.Get(host, page2).status);
    EXPECT_EQ(500, client.Get(host, page3).status);
    EXPECT_EQ(200, client.Get(host, page3).status);
    EXPECT_EQ(200, client.Get(host, page3).status);
}

TEST_F(SimControl, FaultActionsBreakTheAnswerAsNamed)
{
    sim->Faults(R"([{"path": "PageNum=1", "action": "reset"},
                    {"path": "PageNum=2", "action": "refuse"},
                    {"path": "PageNum=3", "action": "html"},
                    {"path": "PageNum=4", "action": "truncate"},
                    {"path": "PageNum=5", "action": "damaged"},
                    {"path": "PageNum=6", "action": "status-empty", "status": 404},
                    {"path": "latest", "action": "empty"},
                    {"path": "download", "action": "auth407"},
                    {"path": "proxyTest", "action": "hang"}])");
    SimClient client;
    client.FreshConnections();
    const std::string images = sim->Host("patentImages1");
    const std::string maker = sim->Host("maker");
    EXPECT_EQ(CURLE_RECV_ERROR, client.Get(images, "/.DImg?Docid=7000100&PageNum=1").code);
    EXPECT_EQ(CURLE_GOT_NOTHING, client.Get(images, "/.DImg?Docid=7000100&PageNum=2").code);
    SimClient::Answer html = client.Get(images, "/.DImg?Docid=7000100&PageNum=3");
    EXPECT_EQ(200, html.status);
    EXPECT_EQ(0u, html.body.find("<html>"));
    SimClient::Answer cut = client.Get(images, "/.DImg?Docid=7000100&PageNum=4");
    EXPECT_EQ(CURLE_PARTIAL_FILE, cut.code);
    EXPECT_FALSE(cut.body.empty());
    SimClient::Answer damaged = client.Get(images, "/.DImg?Docid=7000100&PageNum=5");
    EXPECT_EQ(CURLE_OK, damaged.code);
    EXPECT_EQ(200, damaged.status);
    EXPECT_EQ(0u, damaged.body.find("II*"));
    SimClient::Answer missing = client.Get(images, "/.DImg?Docid=7000100&PageNum=6");
    EXPECT_EQ(404, missing.status);
    EXPECT_TRUE(missing.body.empty());
    SimClient::Answer empty = client.Get(maker, "/latest.html");
    EXPECT_EQ(200, empty.status);
    EXPECT_TRUE(empty.body.empty());
    EXPECT_EQ(407, client.Get(maker, "/download.html").status);
    client.TimeoutMs(500);
    EXPECT_EQ(CURLE_OPERATION_TIMEDOUT, client.Get(maker, "/proxyTest.htm").code);

    std::string log = sim->Log();
    for (const char* fault : {"reset", "refuse", "html", "truncate", "damaged", "status-empty", "empty", "auth407", "hang"})
        EXPECT_NE(std::string::npos, log.find(std::string("\"fault\": \"") + fault + "\""))
            << fault;

    // A reset clears the rules: the same requests are answered normally.
    sim->Reset();
    EXPECT_EQ(200, client.Get(images, "/.DImg?Docid=7000100&PageNum=1").status);
    EXPECT_EQ(200, client.Get(images, "/.DImg?Docid=7000100&PageNum=2").status);
    EXPECT_EQ(200, client.Get(maker, "/proxyTest.htm").status);
    const std::string whole = client.Get(images, "/.DImg?Docid=7000100&PageNum=5").body;
    EXPECT_EQ(damaged.body, whole.substr(0, whole.size() / 2));
}

TEST_F(SimControl, PercentRulesPickTheSameRequestsEveryRun)
{
    const char* rule = R"([{"service": "maker", "percent": 30, "seed": 7,
                            "action": "status", "status": 503}])";
    SimClient client;
    std::string runs[2];
    for (auto& run : runs) {
        sim->Reset();
        sim->Faults(rule);
        for (int i = 0; i < 40; ++i)
            run += client.Get(sim->Host("maker"), "/latest.html").status == 503 ? 'x' : '.';
    }
    EXPECT_EQ(runs[0], runs[1]);
    long hits = std::count(runs[0].begin(), runs[0].end(), 'x');
    EXPECT_GT(hits, 3) << runs[0];
    EXPECT_LT(hits, 25) << runs[0];
}

TEST_F(SimControl, LogListsHeadersInOrderAndOneConnectionForKeepAlive)
{
    SimClient client;
    const std::string host = sim->Host("ops");
    const std::vector<std::string> headers = {"Accept: application/tiff", "Range: 1",
                                              "Accept: application/tiff", "Range: 2"};
    const std::string path =
        "/2.6.2/rest-services/published-data/images/EP/1000000/A1/fullimage.tiff";
    EXPECT_EQ(200, client.Get(host, path + "?Range=1", headers).status);
    EXPECT_EQ(200, client.Get(host, path + "?Range=2", headers).status);

    auto entries = LogEntries(sim->Log());
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ(Conn(entries[0]), Conn(entries[1]));
    EXPECT_GT(Conn(entries[0]), 0);
    const std::string& e = entries[1];
    EXPECT_NE(std::string::npos, e.find("\"path\": \"" + path + "?Range=2\""));
    size_t pairs = e.find(R"(["Accept", "application/tiff"], ["Range", "1"], )"
                          R"(["Accept", "application/tiff"], ["Range", "2"])");
    EXPECT_NE(std::string::npos, pairs) << e;
    EXPECT_LT(e.find(R"(["Host", ")"), pairs);
    EXPECT_NE(std::string::npos, e.find("\"service\": \"ops\""));
    EXPECT_NE(std::string::npos, e.find("\"proxied\": false"));

    // Another connection gets another id.
    SimClient other;
    other.Get(host, path + "?Range=1");
    auto more = LogEntries(sim->Log());
    ASSERT_EQ(3u, more.size());
    EXPECT_NE(Conn(more[1]), Conn(more[2]));
}

TEST_F(SimControl, AbsoluteFormRequestsAreProxiedToTheSimulatorsOwnServices)
{
    SimClient client;
    client.UseProxy(sim->Host("patentImages1"), "alice:secret");
    SimClient::Answer page = client.Get(sim->Host("maker"), "/proxyTest.htm");
    EXPECT_EQ(200, page.status);
    EXPECT_NE(std::string::npos, page.body.find("office-sim proxy test page"));

    auto entries = LogEntries(sim->Log());
    ASSERT_EQ(1u, entries.size());
    const std::string& e = entries[0];
    EXPECT_NE(std::string::npos, e.find("\"service\": \"maker\""));
    EXPECT_NE(std::string::npos, e.find("\"proxied\": true"));
    EXPECT_NE(std::string::npos, e.find("\"path\": \"/proxyTest.htm\""));
    // "alice:secret" in Basic form
    EXPECT_NE(std::string::npos, e.find(R"(["Proxy-Authorization", "Basic YWxpY2U6c2VjcmV0"])"))
        << e;

    // A rule can tell proxied requests apart.
    sim->Faults(R"([{"proxied": true, "action": "auth407"}])");
    EXPECT_EQ(407, client.Get(sim->Host("maker"), "/proxyTest.htm").status);
    SimClient direct;
    EXPECT_EQ(200, direct.Get(sim->Host("maker"), "/proxyTest.htm").status);

    // Nothing outside the simulator is ever contacted.
    sim->Reset();
    EXPECT_EQ(502, client.Get("127.0.0.1:1", "/proxyTest.htm").status);
}

TEST_F(SimControl, ListenerTakenDownRefusesConnectionsUntilUp)
{
    SimClient client;
    const std::string host = sim->Host("applicationSearch");
    sim->Control("POST", "/_sim/down", R"({"service": "applicationSearch"})");
    EXPECT_EQ(CURLE_COULDNT_CONNECT, client.Get(host, "/netacgi/nph-Parser").code);
    sim->Control("POST", "/_sim/up", R"({"service": "applicationSearch"})");
    EXPECT_EQ(200, client.Get(host, "/netacgi/nph-Parser").status);
}

TEST_F(SimControl, BadControlBodiesAreRefusedAndChangeNothing)
{
    sim->Faults(R"([{"path": "PageNum=3", "action": "status", "status": 503}])");
    SimClient client;
    for (const char* body : {"not json", R"([{"action": "explode"}])",
                             R"([{"nth": 2, "action": "reset"}])",
                             R"([{"action": "status", "status": 42}])",
                             R"([{"action": "delay", "ms": "soon"}])", "[[]]"})
        EXPECT_EQ(400, client.Post(sim->Host("maker"), "/_sim/faults", body).status) << body;
    EXPECT_EQ(400, client.Post(sim->Host("maker"), "/_sim/catalog", "{\"granted\": []}").status);
    EXPECT_EQ(503, client.Get(sim->Host("patentImages2"), page3).status);
    EXPECT_EQ(200, client.Get(sim->Host("patentImages2"), page2).status);
}

TEST_F(SimControl, PostedCatalogReplacesTheDocuments)
{
    sim->Control("POST", "/_sim/catalog",
                 R"({"granted": {"5123456": {"pages": 7, "images": ["g3-2.tif"]}}})");
    SimClient client;
    SimClient::Answer list = client.Get(sim->Host("patentImages2"), "/.piw?Docid=5123456&idkey=NONE");
    EXPECT_NE(std::string::npos, list.body.find("<!-- NumPages=7 -->"));
    EXPECT_EQ(3u, TiffCompression(client.Get(sim->Host("patentImages2"),
                                             "/.DImg?Docid=5123456&PageNum=7").body));
    std::string catalog = ReadFile(std::string(FH_SOURCE_DIR) + "/tools/office-sim/catalog.json");
    sim->Control("POST", "/_sim/catalog", catalog);
    list = client.Get(sim->Host("patentImages2"), "/.piw?Docid=5123456&idkey=NONE");
    EXPECT_NE(std::string::npos, list.body.find("<!-- NumPages=3 -->"));
}

TEST(SimSettings, WriteSettingsPointsTheHostsGroupHereAndKeepsOtherLines)
{
    TempHome home;
    WriteFile(home.SettingsFile(), "Path=/tmp/save\nmax_threads=2\n[hosts]\nops=old.example:80\n"
                                   "[other]\nkey=value\n");
    OfficeSim sim;
    ASSERT_TRUE(sim.Running());
    sim.WriteSettings(home.SettingsFile());
    std::string text = ReadFile(home.SettingsFile());
    for (const char* kept : {"Path=/tmp/save", "max_threads=2", "[other]", "key=value"})
        EXPECT_NE(std::string::npos, text.find(kept)) << text;
    EXPECT_EQ(std::string::npos, text.find("old.example"));
    EXPECT_EQ(7u, sim.AllHosts().size());
    for (const auto& [service, host] : sim.AllHosts())
        EXPECT_NE(std::string::npos, text.find(service + "=" + host)) << text;
    struct stat st{};
    ASSERT_EQ(0, stat(home.SettingsFile().c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
}

TEST(SimSettings, SimulatorWritesTheSettingsItselfAndStopsWithItsOwner)
{
    TempHome home;
    WriteFile(home.SettingsFile(), "Path=/tmp/save\n[hosts]\nmaker=old.example\n");
    std::string maker;
    {
        OfficeSim sim("--settings " + home.SettingsFile());
        ASSERT_TRUE(sim.Running());
        maker = sim.Host("maker");
        std::string text = ReadFile(home.SettingsFile());
        EXPECT_NE(std::string::npos, text.find("Path=/tmp/save"));
        EXPECT_NE(std::string::npos, text.find("maker=" + maker)) << text;
        EXPECT_EQ(std::string::npos, text.find("old.example")) << text;
    }
    SimClient client;
    EXPECT_EQ(CURLE_COULDNT_CONNECT, client.Get(maker, "/latest.html").code);
}

TEST(SimSettings, SettingsChooseTheClassicRoutesUnlessTheNewOnesAreAsked)
{
    using Routes = OfficeSim::Routes;
    const struct
    {
        const char* args;  // nullptr: the fixture's WriteSettings writes the file
        Routes routes;
        const char* usRoute;
        const char* route;  // of other offices' documents
        bool tls;
        bool key = true;  // the demo key written
    } cases[] = {
        {"", Routes::classic, "classic", "classic", true},
        {"--routes new", Routes::defaults, "ppubs", "ops", true},
        {"--routes new --plain-ops", Routes::defaults, "ppubs", "ops", false},
        {"--routes new --no-ops-key", Routes::firstRun, "ppubs", "ops", true, false},
        {nullptr, Routes::classic, "classic", "classic", true},
        {nullptr, Routes::ops, "ops", "ops", true},
        {nullptr, Routes::defaults, "ppubs", "ops", true},
        {nullptr, Routes::firstRun, "ppubs", "ops", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args ? c.args : c.route);
        TempHome home;
        std::string caFile;
        {
            OfficeSim sim(c.args ? "--settings " + home.SettingsFile() + " " + c.args : "");
            ASSERT_TRUE(sim.Running());
            if (!c.args)
                sim.WriteSettings(home.SettingsFile(), c.routes);
            caFile = sim.CaFile();
            EXPECT_TRUE(FileExists(caFile));
            auto store = OpenSettingsStore();
            EXPECT_EQ(c.usRoute, store->Read("services/us", ""));
            EXPECT_EQ(c.route, store->Read("services/other", ""));
            EXPECT_EQ(c.routes == Routes::ops ? "ops" : "auto", store->Read("services/ep", ""));
            EXPECT_EQ(caFile, store->Read("services/caFile", ""));
            EXPECT_EQ(sim.OpsUrl(c.tls), store->Read("ops/url", ""));
            EXPECT_EQ(c.key ? OfficeSim::opsKey : "", store->Read("ops/consumerKey", ""));
            EXPECT_EQ(sim.PpubsUrl(false, c.tls), store->Read("ppubs/url", ""));
            EXPECT_EQ(sim.PpubsUrl(true, c.tls), store->Read("ppubs/imageUrl", ""));
            EXPECT_NE("", store->Read("ppubs/imageUrl", ""));
            EXPECT_EQ(sim.EpsUrl(c.tls), store->Read("eps/url", ""));
            wxString secret = store->Read("ops/consumerSecret", "");
            ScramblePassword(secret);
            EXPECT_EQ(c.key ? OfficeSim::opsSecret : "", secret);
            EXPECT_EQ(sim.Host("maker"), store->Read("hosts/maker", ""));
        }
        // The certificates go with the simulator.
        EXPECT_FALSE(FileExists(caFile));
    }
}

}  // namespace
