#include "services/ops/OpsVerdict.h"

#include "net/HttpAnswer.h"
#include "services/ops/OpsErrorBody.h"

namespace {

using Outcome = OpsVerdict::Outcome;
using std::chrono::milliseconds;

milliseconds WaitOf(const wxString& retryAfter, milliseconds fallback)
{
    const std::optional<unsigned long long> value = HeaderCount(retryAfter);
    if (!value)
        return fallback;
    return *value > static_cast<unsigned long long>(OpsVerdict::longestWait.count())
               ? OpsVerdict::longestWait
               : milliseconds(static_cast<long long>(*value));
}

OpsVerdict Verdict(Outcome outcome, const wxString& text, milliseconds wait = milliseconds(0))
{
    OpsVerdict verdict;
    verdict.outcome = outcome;
    verdict.text = text;
    verdict.wait = wait;
    return verdict;
}

wxString PlainStatus(long status, const wxString& error)
{
    wxString text = wxString::Format("EPO OPS error %ld", status);
    if (!error.empty())
        text << ": " << error;
    return text;
}

OpsVerdict Rejected(const wxString& reason, const wxString& retryAfter, const wxString& error)
{
    if (reason.IsSameAs("ThrottlingControlQuota", false))
        return Verdict(Outcome::throttled, error, WaitOf(retryAfter, OpsVerdict::throttleWait));
    if (reason.IsSameAs("IndividualQuotaPerHour", false))
        return Verdict(Outcome::hourlyQuota, error, WaitOf(retryAfter, OpsVerdict::hourlyQuotaWait));
    if (reason.IsSameAs("RegisteredQuotaPerWeek", false))
        return Verdict(Outcome::weeklyQuota, "EPO weekly quota used up");
    return Verdict(Outcome::other, PlainStatus(403, error));
}

}  // namespace

OpsVerdict OpsVerdict::Of(long status, const wxString& rejectionReason, const wxString& retryAfter,
                          const std::string& body, Request request)
{
    if (status >= 200 && status < 300)
        return Verdict(Outcome::ok, "");
    const OpsErrorBody error = OpsErrorBody::Parse(body);
    const wxString line = error.Line();
    switch (status) {
    case 400:
        if (request == Request::data && error.message == "invalid_access_token")
            return Verdict(Outcome::renewToken, line);
        break;
    case 401:
        if (request == Request::token)
            return Verdict(Outcome::badKey, "EPO OPS key or secret refused: File > Setup > Services");
        return Verdict(Outcome::renewToken, line);
    case 403:
        return Rejected(wxString(rejectionReason).Trim().Trim(false), retryAfter, line);
    case 404:
        // At the token endpoint a 404 means a wrong [ops] url, not a missing document.
        if (request == Request::data)
            return Verdict(Outcome::notFound, "Not Found!");
        break;
    case 500:
    case 503:
        return Verdict(Outcome::transient, PlainStatus(status, line));
    default:
        break;
    }
    return Verdict(Outcome::other, PlainStatus(status, line));
}
