#include "FakeClock.h"

#include "services/ops/OpsToken.h"
#include "services/ops/OpsTokenCache.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using std::chrono::seconds;

TEST(OpsToken, ReadsEveryLayoutOfTheAnswer)
{
    std::ifstream served(FH_TEST_DATA "/ops/token.json");  // the simulator's, pretty-printed
    std::ostringstream simulator;
    simulator << served.rdbuf();
    for (const std::string& answer :
         {simulator.str(), std::string(R"({"access_token":"T0k3n","expires_in":"1199"})"),
          std::string("\r\n\t{ \"access_token\"\t:\t\"T0k3n\" ,\r\n \"expires_in\":1199 }")}) {
        SCOPED_TRACE(answer);
        wxString error;
        const auto token = OpsToken::Parse(answer, error);
        ASSERT_TRUE(token) << error;
        EXPECT_EQ(answer == simulator.str() ? 28u : 5u, token->accessToken.size());
        EXPECT_EQ(seconds(1199), token->expiresIn);
    }
}

TEST(OpsToken, MalformedAnswerIsAClearErrorThatHidesTheToken)
{
    const std::string nested = std::string(64, '[') + std::string(64, ']');
    std::string wide = "[";
    for (int i = 0; i < 1000000; ++i)
        wide += "0,";
    wide += "0]";
    for (const std::string& answer : std::vector<std::string>{
             "", "<html>Gateway</html>", "[\"SECRET\"]", R"({"access_token":"SECRET","expires_in":"1199")",
             R"({"expires_in":"1199"})", R"({"access_token":"","expires_in":"1199"})",
             "{\"access_token\":\"SEC\\r\\nRET\",\"expires_in\":\"1199\"}", R"({"access_token":"SECRET"})",
             R"({"access_token":"SECRET","expires_in":"soon"})", R"({"access_token":"SECRET","expires_in":"0"})",
             R"({"access_token":"SECRET","expires_in":"99999999999999999999"})",
             R"({"access_token":"SECRET","expires_in":"1199","x":)" + nested + "}",
             R"({"access_token":"SECRET","expires_in":"1199","x":)" + wide + "}"}) {
        SCOPED_TRACE(answer);
        wxString error;
        EXPECT_FALSE(OpsToken::Parse(answer, error));
        EXPECT_TRUE(error.StartsWith("EPO OPS token answer unreadable: ")) << error;
        EXPECT_FALSE(error.Contains("SEC")) << error;
    }
}

TEST(OpsTokenCache, HandsOutATokenUntilShortlyBeforeItRunsOut)
{
    // lifetime, seconds after storing from which a new token is needed
    for (const auto& [lifetime, renewAfter] :
         std::initializer_list<std::pair<int, int>>{{1199, 1139}, {120, 60}, {30, 15}, {1, 1}}) {
        SCOPED_TRACE(lifetime);
        FakeClock clock;
        OpsTokenCache cache(clock.Clock());
        EXPECT_FALSE(cache.Usable());
        cache.Store(OpsToken{"T0k3n", seconds(lifetime)});
        clock.Advance(seconds(renewAfter - 1));
        EXPECT_EQ(std::optional<std::string>("T0k3n"), cache.Usable());
        clock.Advance(seconds(1));
        EXPECT_FALSE(cache.Usable());
    }
}

TEST(OpsTokenCache, DropsARefusedTokenButNotANewerOne)
{
    FakeClock clock;
    OpsTokenCache cache(clock.Clock());
    cache.Store(OpsToken{"first", seconds(1199)});
    cache.Store(OpsToken{"second", seconds(1199)});
    cache.Invalidate("first");  // a job that still held the old one
    EXPECT_EQ(std::optional<std::string>("second"), cache.Usable());
    cache.Invalidate("second");
    EXPECT_FALSE(cache.Usable());
}

}  // namespace
