#pragma once

#include "net/RequestFailure.h"

#include <wx/string.h>

// Whether a request that failed is sent again, after what wait, and how many
// times: the one rule every download job and service client asks.
//
// Which failures: by the `network` rule (today's services) those a moment
// may mend — no connection, a transfer that broke or went silent, a server
// answering 500, 502 or 503; by the `everyFailure` rule (the original
// services' jobs, which never told failures apart) every failure but a
// stop: those jobs judge an error status before they ask.
// After what wait: a countdown of countdownSteps steps, stepMs each, shown
// as it runs (CountdownStatus() on today's routes).
// How many times: for as long as the job runs unless a limit is given; the
// user ends a job that waits too long.
//
// One decision serves one request, or one step that sends its requests
// again, and counts its retries. After each failed attempt:
//     if (!retry.Retry(failure)) end the step with failure.text;
//     else count down, then send again.
class RetryDecision
{
public:
    enum class Rule { network, everyFailure };

    static constexpr int countdownSteps = 10;
    static constexpr unsigned stepMs = 1000;
    static constexpr int unlimited = -1;

    explicit RetryDecision(Rule rule = Rule::network, int mostRetries = unlimited);

    // Whether the rule tries `failure` again at all.
    bool Retryable(const RequestFailure& failure) const;
    // Counts one failed attempt: true when the request is to be sent again
    // after the countdown; false when the rule does not retry `failure` or
    // the retries are used up.
    bool Retry(const RequestFailure& failure);
    // How often Retry() said yes.
    int Retries() const { return retries; }

    // The status of today's routes `secondsLeft` steps before the next
    // attempt: "Error CAUSE Reconnecting in Ns".
    static wxString CountdownStatus(const wxString& cause, int secondsLeft);

private:
    Rule rule;
    int mostRetries;
    int retries = 0;
};
