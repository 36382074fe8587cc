#include "FakeClock.h"

#include "services/ops/OpsContext.h"
#include "services/ops/OpsThrottling.h"

#include <gtest/gtest.h>

namespace {

using State = OpsThrottling::State;
using Colour = OpsThrottling::Colour;

const char idleHeader[] =
    "idle (images=green:200, inpadoc=green:60, other=green:1000, retrieval=green:200, search=green:30)";

TEST(OpsThrottling, ReadsTheHeader)
{
    struct Case
    {
        const char* header;
        State state;
        Colour imagesColour;
        int images;  // -1: not announced
        int retrieval;
    } const cases[] = {
        {idleHeader, State::idle, Colour::green, 200, 200},
        {"busy (images=yellow:100, retrieval=green:50)", State::busy, Colour::yellow, 100, 50},
        {"overloaded (images=black:0, inpadoc=red:10, retrieval=red:5)", State::overloaded, Colour::black, 0,
         5},
        {"  Idle(IMAGES = Green : 600 ,retrieval=green:30, )  ", State::idle, Colour::green, 600, 30},
        {"busy", State::busy, Colour::green, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        const auto throttling = OpsThrottling::Parse(c.header);
        ASSERT_TRUE(throttling);
        EXPECT_EQ(c.state, throttling->state);
        const auto images = throttling->Find("images");
        const auto retrieval = throttling->Find("retrieval");
        EXPECT_EQ(c.images, images ? images->requestsPerMinute : -1);
        EXPECT_EQ(c.imagesColour, images ? images->colour : Colour::green);
        EXPECT_EQ(c.retrieval, retrieval ? retrieval->requestsPerMinute : -1);
    }
    EXPECT_EQ(
        "idle; images green 200/min, inpadoc green 60/min, other green 1000/min, retrieval green 200/min, "
        "search green 30/min",
        OpsThrottling::Parse(idleHeader)->Summary());
    for (const char* header :
         {"", "sleepy (images=green:200)", "idle (images=purple:200)", "idle (images=green)",
          "idle (images=green:-5)", "idle (images=green:99999999999)", "idle images=green:200"}) {
        EXPECT_FALSE(OpsThrottling::Parse(header)) << header;
    }
}

// Each step: seconds after the start, the X-Throttling-Control headers of
// one answer, the page and inquiry spacing that follow.
TEST(OpsThrottling, ContextPacesEveryJobToTheLowestRateOfTheLastMinute)
{
    using std::chrono::milliseconds;
    struct Step
    {
        int second;
        std::vector<wxString> headers;
        long imagesMs, retrievalMs;
        State last;
    } const steps[] = {
        {0, {"idle (images=green:600, retrieval=green:200)"}, 100, 300, State::idle},
        // Twice in one answer, the stricter first.
        {10, {"busy (images=yellow:60, retrieval=green:200)", "idle (images=green:600, retrieval=green:200)"},
         1000, 300, State::idle},
        {20, {"idle (images=green:600, retrieval=green:200)"}, 1000, 300, State::idle},
        // A cached answer without the header, a garbled one, a black service: the pace stays.
        {30, {"", "garbled", "overloaded (images=black:0, retrieval=black:0)"}, 1000, 300, State::overloaded},
        // The 60 a minute of second 10 is forgotten.
        {71, {"idle (images=green:600, retrieval=yellow:30)"}, 100, 2000, State::idle},
    };
    FakeClock clock;
    const OpsTime start = clock.Now();
    OpsContext context(clock.Clock());
    EXPECT_FALSE(context.LastThrottling());
    EXPECT_EQ(milliseconds(300), context.Images().Interval());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.second);
        clock.Advance(start + std::chrono::seconds(step.second) - clock.Now());
        context.Observe(step.headers);
        EXPECT_EQ(milliseconds(step.imagesMs), context.Images().Interval());
        EXPECT_EQ(milliseconds(step.retrievalMs), context.Retrieval().Interval());
        ASSERT_TRUE(context.LastThrottling());
        EXPECT_EQ(step.last, context.LastThrottling()->state);
    }

    EXPECT_FALSE(context.Quota().hour);
    context.ObserveQuota("1234", " 56789 ");
    context.ObserveQuota("", "lots");  // unreadable: the figures stay
    EXPECT_EQ(context.Quota().hour, 1234u);
    EXPECT_EQ(context.Quota().week, 56789u);

    EXPECT_FALSE(context.HourlyQuotaHeld());
    context.HoldForHourlyQuota(std::chrono::minutes(10));  // pages and inquiries alike
    EXPECT_TRUE(context.HourlyQuotaHeld());
    EXPECT_EQ(clock.Now() + std::chrono::minutes(10), context.Images().Reserve());
    EXPECT_EQ(clock.Now() + std::chrono::minutes(10), context.Retrieval().Reserve());
    clock.Advance(std::chrono::minutes(10));
    EXPECT_FALSE(context.HourlyQuotaHeld());
}

}  // namespace
