#include "check/OpsCheck.h"

#include "net/HttpsClient.h"
#include "services/ops/OpsContext.h"
#include "services/ops/OpsToken.h"
#include "services/ops/OpsVerdict.h"

#include <wx/filename.h>

namespace {

// Every office's inquiry works alike; this one is in every OPS.
const char* const knownDocument = "EP1000000";

wxString ServiceUrl(wxString base, const wxString& path)
{
    while (base.EndsWith("/"))
        base.RemoveLast();
    return base + "/" + path;
}

void Observe(OpsContext& context, const HttpAnswer& answer)
{
    context.Observe(answer.HeaderValues("X-Throttling-Control"));
    context.ObserveQuota(answer.Header("X-IndividualQuotaPerHour-Used"),
                         answer.Header("X-RegisteredQuotaPerWeek-Used"));
}

// Why OPS, or the way to it, refused a request.
wxString Refusal(const HttpAnswer& answer, OpsVerdict::Request request)
{
    const RequestFailure& failure = answer.failure;
    const bool opsAnswered = failure.kind == FailureKind::HttpStatus ||
                             (failure.kind == FailureKind::Auth && failure.httpStatus == 401);
    if (!opsAnswered)
        return failure.text;
    const OpsVerdict verdict = OpsVerdict::Of(answer.status, answer.Header("X-Rejection-Reason"),
                                              answer.Header("Retry-After"), answer.body, request);
    switch (verdict.outcome) {
    case OpsVerdict::Outcome::throttled:
        return wxString::Format("EPO fair-use limit: try again in %lld s",
                                static_cast<long long>((verdict.wait.count() + 999) / 1000));
    case OpsVerdict::Outcome::hourlyQuota:
        return "EPO hourly quota used up";
    default:
        return verdict.text.empty() ? failure.text : verdict.text;
    }
}

wxString Bytes(const std::optional<unsigned long long>& bytes)
{
    return bytes ? wxFileName::GetHumanReadableSize(wxULongLong(*bytes)) : wxString("not told");
}

wxString Load(const OpsContext& context)
{
    const std::optional<OpsThrottling> throttling = context.LastThrottling();
    wxString text = throttling ? "throttling " + throttling->Summary()
                               : wxString("the service did not say how busy it is");
    const OpsContext::QuotaUsed quota = context.Quota();
    return text + "; quota used " + Bytes(quota.hour) + " this hour, " + Bytes(quota.week) + " this week";
}

}  // namespace

bool CheckOpsKey(HttpsClient& http, const ServiceSettings& services, wxString& detail)
{
    const wxString key = wxString(services.opsKey).Trim().Trim(false);
    if (key.empty() || services.opsSecret.empty()) {
        detail = "EPO OPS key and secret needed";
        return false;
    }
    OpsContext context;
    const HttpAnswer tokenAnswer = http.Post(ServiceUrl(services.opsUrl, "auth/accesstoken"),
                                             "grant_type=client_credentials",
                                             {OpsToken::Authorization(key, services.opsSecret)});
    Observe(context, tokenAnswer);
    if (!tokenAnswer.Ok()) {
        detail = Refusal(tokenAnswer, OpsVerdict::Request::token);
        return false;
    }
    wxString error;
    const std::optional<OpsToken> token = OpsToken::Parse(tokenAnswer.body, error);
    if (!token) {
        detail = "EPO OPS gave no usable token: " + error;
        return false;
    }
    const HttpAnswer inquiry = http.Get(
        ServiceUrl(services.opsUrl, wxString("rest-services/published-data/publication/epodoc/") + knownDocument +
                                        "/images"),
        {"Authorization: Bearer " + wxString::FromUTF8(token->accessToken.c_str())});
    Observe(context, inquiry);
    if (!inquiry.Ok()) {
        detail = wxString("key accepted, but the inquiry of ") + knownDocument + " failed: " +
                 Refusal(inquiry, OpsVerdict::Request::data);
        return false;
    }
    detail = "key accepted; " + Load(context);
    return true;
}
