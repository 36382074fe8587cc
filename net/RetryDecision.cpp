#include "net/RetryDecision.h"

RetryDecision::RetryDecision(Rule rule, int mostRetries) : rule(rule), mostRetries(mostRetries) {}

bool RetryDecision::Retryable(const RequestFailure& failure) const
{
    switch (failure.kind) {
    case FailureKind::None:
    case FailureKind::Stopped:
        return false;
    case FailureKind::Connect:
    case FailureKind::Read:
    case FailureKind::Timeout:
        return true;
    case FailureKind::HttpStatus:
        // A server that is down for a moment (or its gateway) says so.
        return rule == Rule::everyFailure || failure.httpStatus == 500 || failure.httpStatus == 502 ||
               failure.httpStatus == 503;
    default:
        return rule == Rule::everyFailure;
    }
}

bool RetryDecision::Retry(const RequestFailure& failure)
{
    if (!Retryable(failure) || (mostRetries != unlimited && retries >= mostRetries))
        return false;
    ++retries;
    return true;
}

wxString RetryDecision::CountdownStatus(const wxString& cause, int secondsLeft)
{
    return wxString::Format("Error %s Reconnecting in %is", cause, secondsLeft);
}
