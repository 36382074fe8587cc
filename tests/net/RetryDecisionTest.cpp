#include "net/RetryDecision.h"

#include <gtest/gtest.h>

namespace {

using Rule = RetryDecision::Rule;

// Today's services try again what a moment may mend; the original jobs try
// every failure again; a stop is never tried again.
TEST(RetryDecision, EachRuleTriesAgainItsFailures)
{
    const struct
    {
        FailureKind kind;
        unsigned status;
        bool network, everyFailure;
    } cases[] = {
        {FailureKind::Connect, 0, true, true},        {FailureKind::Read, 0, true, true},
        {FailureKind::Timeout, 0, true, true},        {FailureKind::HttpStatus, 500, true, true},
        {FailureKind::HttpStatus, 502, true, true},   {FailureKind::HttpStatus, 503, true, true},
        {FailureKind::HttpStatus, 404, false, true},  {FailureKind::HttpStatus, 429, false, true},
        {FailureKind::Refused, 0, false, true},       {FailureKind::Certificate, 0, false, true},
        {FailureKind::TooLarge, 0, false, true},      {FailureKind::Auth, 407, false, true},
        {FailureKind::Empty, 200, false, true},       {FailureKind::Stopped, 0, false, false},
        {FailureKind::None, 200, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(FailureKindName(c.kind)) + " " + std::to_string(c.status));
        const RequestFailure failure{c.kind, c.status, "why"};
        RetryDecision network;
        RetryDecision every(Rule::everyFailure);
        EXPECT_EQ(network.Retry(failure), c.network);
        EXPECT_EQ(every.Retry(failure), c.everyFailure);
        EXPECT_EQ(network.Retries(), c.network ? 1 : 0);
    }
}

TEST(RetryDecision, AGivenLimitEndsTheRetries)
{
    const RequestFailure reset{FailureKind::Read, 0, "connection reset"};
    RetryDecision twice(Rule::network, 2);
    for (bool expected : {true, true, false, false})
        EXPECT_EQ(twice.Retry(reset), expected);
    EXPECT_EQ(twice.Retries(), 2);
    EXPECT_EQ(RetryDecision::CountdownStatus("connection reset", 7), "Error connection reset Reconnecting in 7s");
}

}  // namespace
