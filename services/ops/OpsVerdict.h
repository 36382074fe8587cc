#pragma once

#include <wx/string.h>

#include <chrono>
#include <string>

// What a job does with one OPS answer. Only the answer's status, two of its
// headers and its body decide; failures without an answer (no connection,
// timeouts) are the HTTP client's to report.
struct OpsVerdict
{
    enum class Outcome {
        ok,           // 2xx: use the answer
        renewToken,   // 400 invalid_access_token, 401 on data: fetch a new token once, resend
        throttled,    // 403 ThrottlingControlQuota: every job waits `wait`, then resend
        hourlyQuota,  // 403 IndividualQuotaPerHour: every job waits `wait`, then resend
        weeklyQuota,  // 403 RegisteredQuotaPerWeek: the job ends with `text`
        badKey,       // 401 at the token endpoint: the job ends with `text`
        notFound,     // 404 (not at the token endpoint): the job ends with `text`
        transient,    // 500/503 (the daily maintenance): retry like a network failure
        other,        // anything else: the job ends with `text`
    };

    // Which endpoint answered: a 401 means a wrong key at the token
    // endpoint and a refused token elsewhere, a 404 a missing document only
    // elsewhere.
    enum class Request { token, data };

    Outcome outcome = Outcome::ok;
    std::chrono::milliseconds wait{0};
    // The status text for the outcomes that end a job; for the others the
    // answer's error in one line (for a log or a retry status), maybe empty.
    wxString text;

    // `retryAfter` is the Retry-After header in milliseconds, as OPS means it;
    // empty when absent.
    static OpsVerdict Of(long status, const wxString& rejectionReason, const wxString& retryAfter,
                         const std::string& body, Request request = Request::data);

    // Waits when the server names none: ten seconds for the throttle, as
    // long as the classic retry countdown; ten minutes for the hourly quota,
    // whose end OPS does not tell, so a job looks again six times an hour.
    static constexpr std::chrono::milliseconds throttleWait{10'000};
    static constexpr std::chrono::milliseconds hourlyQuotaWait{600'000};
    // A Retry-After beyond an hour is taken as an hour.
    static constexpr std::chrono::milliseconds longestWait{3'600'000};
};
