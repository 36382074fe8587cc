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

TEST(OpsThrottling, ContextPacesEveryJobToTheLastReadableHeader)
{
    FakeClock clock;
    OpsContext context(clock.Clock());
    EXPECT_FALSE(context.LastThrottling());
    EXPECT_EQ(std::chrono::milliseconds(300), context.Images().Interval());

    context.Observe("idle (images=green:600, retrieval=yellow:30)");
    // A cached answer without the header, a garbled one, a black service: the pace stays.
    for (const char* header : {"", "garbled", "overloaded (images=black:0, retrieval=black:0)"}) {
        context.Observe(header);
        EXPECT_EQ(std::chrono::milliseconds(100), context.Images().Interval()) << header;
        EXPECT_EQ(std::chrono::milliseconds(2000), context.Retrieval().Interval()) << header;
    }
    ASSERT_TRUE(context.LastThrottling());
    EXPECT_EQ(State::overloaded, context.LastThrottling()->state);

    context.HoldAll(std::chrono::minutes(10));  // the hourly quota holds pages and inquiries alike
    EXPECT_EQ(clock.Now() + std::chrono::minutes(10), context.Images().Reserve());
    EXPECT_EQ(clock.Now() + std::chrono::minutes(10), context.Retrieval().Reserve());
}

}  // namespace
