#include "check/OpsCheck.h"

#include "services/ops/OpsClient.h"
#include "services/ops/OpsContext.h"
#include "services/ops/OpsToken.h"
#include "services/ops/OpsVerdict.h"

#include <wx/filename.h>

namespace {

// Every office's inquiry works alike; this one is in every OPS.
const char* const knownDocument = "EP1000000";

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
    if (!OpsClient::HasKey(services)) {
        detail = "EPO OPS key and secret needed";
        return false;
    }
    OpsContext context;
    OpsClient client(http, services, context);
    const HttpAnswer tokenAnswer = client.RequestToken();
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
    const HttpAnswer inquiry = client.RequestInquiry(knownDocument, token->accessToken);
    if (!inquiry.Ok()) {
        detail = wxString("key accepted, but the inquiry of ") + knownDocument +
                 " failed: " + Refusal(inquiry, OpsVerdict::Request::data);
        return false;
    }
    detail = "key accepted; " + Load(context);
    return true;
}
