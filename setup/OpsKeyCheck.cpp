#include "setup/OpsKeyCheck.h"

#include "net/HttpsClient.h"
#include "services/ops/OpsThrottling.h"
#include "services/ops/OpsToken.h"
#include "services/ops/OpsVerdict.h"


#include <string>

namespace {

OpsKeyCheck Refused(const wxString& text)
{
    return {false, text};
}

wxString TokenUrl(wxString opsUrl)
{
    while (opsUrl.EndsWith("/"))
        opsUrl.RemoveLast();
    return opsUrl + "/auth/accesstoken";
}

// Whether the service itself gave the error answer, rather than the
// network, the certificate check or a proxy (407).
bool OpsAnswered(const RequestFailure& failure)
{
    return failure.kind == FailureKind::HttpStatus ||
           (failure.kind == FailureKind::Auth && failure.httpStatus == 401);
}

wxString LoadLine(const HttpAnswer& answer)
{
    const auto throttling = OpsThrottling::Parse(answer.Header("X-Throttling-Control"));
    if (!throttling)
        return "The answer did not say how busy the service is.";
    return "Throttling: " + throttling->Summary();
}

}  // namespace

OpsKeyCheck OpsKeyCheck::Run(const NetworkSettings& network, const wxString& caFile, const wxString& opsUrl,
                             const wxString& key, const wxString& secret)
{
    if (key.empty() || secret.empty())
        return Refused("EPO OPS key and secret needed");

    HttpsClient client(network, caFile);
    const HttpAnswer answer = client.Post(TokenUrl(opsUrl), "grant_type=client_credentials",
                                          {OpsToken::Authorization(key, secret)});
    if (!answer.Ok()) {
        if (!OpsAnswered(answer.failure))
            return Refused("EPO OPS not reached: " + answer.failure.text);
        const OpsVerdict verdict = OpsVerdict::Of(answer.status, answer.Header("X-Rejection-Reason"),
                                                  answer.Header("Retry-After"), answer.body,
                                                  OpsVerdict::Request::token);
        return Refused(verdict.text.empty() ? answer.failure.text : verdict.text);
    }
    wxString error;
    if (!OpsToken::Parse(answer.body, error))
        return Refused("EPO OPS gave no usable token: " + error);
    return {true, "EPO OPS accepted the key.\n" + LoadLine(answer)};
}
