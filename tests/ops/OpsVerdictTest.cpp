#include "services/ops/OpsErrorBody.h"
#include "services/ops/OpsVerdict.h"

#include <gtest/gtest.h>

namespace {

using Outcome = OpsVerdict::Outcome;
using Request = OpsVerdict::Request;

// The two body shapes as the simulator serves them (whitespace varies).
const char expired[] =
    "<?xml version=\"1.0\"?>\n<error>\n    <code>400</code>\n    <message>invalid_access_token</message>\n"
    "    <description>Access token\r\n\t  has expired</description>\n</error>\n";
const char fairUse[] =
    "<error><code>403</code><message>This request has been rejected due to the violation of Fair Use "
    "policy</message></error>";
const char notFound[] =
    "<?xml version=\"1.0\"?>\n<fault xmlns=\"http://ops.epo.org\">\n    <code>SERVER.EntityNotFound</code>\n"
    "    <message>No results found</message>\n</fault>";
const char ambiguous[] =
    "<fault xmlns=\"http://ops.epo.org\"><code>CLIENT.AmbiguousRequest</code><message>Request entity is "
    "ambiguous: please give a kind</message><resolution><kind>A1</kind></resolution></fault>";
const char fairUseText[] = "This request has been rejected due to the violation of Fair Use policy";

TEST(OpsVerdict, ClassifiesEveryAnswer)
{
    struct Case
    {
        long status;
        const char* reason;
        const char* retryAfter;
        const char* body;
        Request request;
        Outcome outcome;
        long waitMs;
        std::string text;
    } const cases[] = {
        {200, "", "", "<ops:world-patent-data/>", Request::data, Outcome::ok, 0, ""},
        {400, "", "", expired, Request::data, Outcome::renewToken, 0,
         "invalid_access_token (Access token has expired)"},
        {400, "", "", "<error><code>400</code><message>Required param : grant_type</message></error>",
         Request::token, Outcome::other, 0, "EPO OPS error 400: Required param : grant_type"},
        {401, "", "", "<error><code>401</code><message>ClientId is Invalid</message></error>", Request::token,
         Outcome::badKey, 0, "EPO OPS key or secret refused: File > Setup > Services"},
        {401, "", "", "", Request::data, Outcome::renewToken, 0, ""},
        {401, "", "", expired, Request::data, Outcome::renewToken, 0,
         "invalid_access_token (Access token has expired)"},
        {403, "ThrottlingControlQuota", "1500", fairUse, Request::data, Outcome::throttled, 1500,
         fairUseText},
        {403, "ThrottlingControlQuota", "", fairUse, Request::data, Outcome::throttled, 10'000, fairUseText},
        {403, "ThrottlingControlQuota", "soon", fairUse, Request::data, Outcome::throttled, 10'000,
         fairUseText},
        {403, "ThrottlingControlQuota", "99999999999999", fairUse, Request::data, Outcome::throttled,
         3'600'000, fairUseText},
        {403, "IndividualQuotaPerHour", "", fairUse, Request::data, Outcome::hourlyQuota, 600'000,
         fairUseText},
        {403, "IndividualQuotaPerHour", " 2000 ", fairUse, Request::data, Outcome::hourlyQuota, 2000,
         fairUseText},
        {403, "RegisteredQuotaPerWeek", "", fairUse, Request::data, Outcome::weeklyQuota, 0,
         "EPO weekly quota used up"},
        {403, "", "", fairUse, Request::data, Outcome::other, 0,
         std::string("EPO OPS error 403: ") + fairUseText},
        {404, "", "", notFound, Request::data, Outcome::notFound, 0, "Not Found!"},
        {404, "", "", notFound, Request::token, Outcome::other, 0,
         "EPO OPS error 404: SERVER.EntityNotFound: No results found"},
        {500, "", "", "<fault><code>SERVER.DomainAccess</code></fault>", Request::data, Outcome::transient, 0,
         "EPO OPS error 500: SERVER.DomainAccess"},
        {503, "", "", "", Request::token, Outcome::transient, 0, "EPO OPS error 503"},
        {413, "", "", ambiguous, Request::data, Outcome::other, 0,
         "EPO OPS error 413: CLIENT.AmbiguousRequest: Request entity is ambiguous: please give a kind"},
        {502, "", "", "<html><body>Bad Gateway</body></html>", Request::data, Outcome::other, 0,
         "EPO OPS error 502"},
        {502, "", "", "<error><code>4", Request::data, Outcome::other, 0, "EPO OPS error 502"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + " " + c.reason + " " + c.body);
        const OpsVerdict verdict = OpsVerdict::Of(c.status, c.reason, c.retryAfter, c.body, c.request);
        EXPECT_EQ(c.outcome, verdict.outcome);
        EXPECT_EQ(std::chrono::milliseconds(c.waitMs), verdict.wait);
        EXPECT_EQ(wxString(c.text), verdict.text);
    }
}

TEST(OpsErrorBody, LongMessageStaysOneShortLine)
{
    const std::string body =
        "<fault><code>X</code><message>" + std::string(5000, 'm') + "\n" + "</message></fault>";
    const wxString line = OpsErrorBody::Parse(body).Line();
    EXPECT_EQ(200u, line.length());
    EXPECT_TRUE(line.StartsWith("X: mmm"));
}

}  // namespace
