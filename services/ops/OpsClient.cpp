#include "services/ops/OpsClient.h"

#include "net/HttpsClient.h"
#include "services/ops/OpsContext.h"
#include "services/ops/OpsInquiry.h"
#include "services/ops/OpsNumber.h"
#include "services/ops/OpsToken.h"

#include <mutex>
#include <thread>

namespace {

wxString Trimmed(const wxString& text)
{
    return wxString(text).Trim().Trim(false);
}

wxString Bearer(const std::string& token)
{
    return "Authorization: Bearer " + wxString::FromUTF8(token.c_str());
}

}  // namespace

OpsClient::OpsClient(HttpsClient& http, const ServiceSettings& services, OpsContext& context)
    : http(http), services(services), context(context)
{
}

void OpsClient::SetStopTest(StopTest test)
{
    stopTest = std::move(test);
}

void OpsClient::SetWaitReport(WaitReport report)
{
    waitReport = std::move(report);
}

void OpsClient::SetRetryTest(RetryTest test)
{
    retryTest = std::move(test);
}

bool OpsClient::HasKey(const ServiceSettings& services)
{
    return !Trimmed(services.opsKey).empty() && !Trimmed(services.opsSecret).empty();
}

std::optional<OpsInquiry> OpsClient::Inquiry(const OpsNumber& number)
{
    failure = {};
    const std::optional<HttpAnswer> answer =
        Get(ServiceUrl("rest-services/published-data/publication/epodoc/" + number.epodoc + "/images"),
            context.Retrieval());
    if (!answer)
        return std::nullopt;
    OpsInquiry inquiry;
    wxString error;
    if (!inquiry.Parse(answer->body, error)) {
        Fail(Failure::Kind::failed, "Error " + error);
        return std::nullopt;
    }
    return inquiry;
}

std::optional<std::string> OpsClient::Page(const OpsInstance& instance, int page)
{
    failure = {};
    std::optional<HttpAnswer> answer =
        Get(ServiceUrl("rest-services/" + instance.link + wxString::Format(".tiff?Range=%d", page)),
            context.Images());
    if (!answer)
        return std::nullopt;
    return std::move(answer->body);
}

HttpAnswer OpsClient::RequestToken()
{
    // The key as typed may carry blanks around it; the secret is used as it is.
    HttpAnswer answer = http.Post(ServiceUrl("auth/accesstoken"), "grant_type=client_credentials",
                                  {OpsToken::Authorization(Trimmed(services.opsKey), services.opsSecret)});
    Observe(answer);
    return answer;
}

HttpAnswer OpsClient::RequestInquiry(const wxString& epodoc, const std::string& token)
{
    return RequestData(ServiceUrl("rest-services/published-data/publication/epodoc/" + epodoc + "/images"),
                       token);
}

HttpAnswer OpsClient::RequestData(const wxString& url, const std::string& token)
{
    HttpAnswer answer = http.Get(url, {Bearer(token)});
    Observe(answer);
    return answer;
}

std::optional<HttpAnswer> OpsClient::Get(const wxString& url, OpsPacer& pacer)
{
    bool renewed = false;
    for (;;) {
        std::string token;
        if (!Authorize(token) || !WaitTurn(pacer))
            return std::nullopt;
        HttpAnswer answer = RequestData(url, token);
        OpsVerdict verdict;
        switch (Judge(answer, OpsVerdict::Request::data, pacer, verdict)) {
        case Next::use:
            return answer;
        case Next::again:
            break;
        case Next::end:
            return std::nullopt;
        case Next::renew:
            context.Token().Invalidate(token);
            // A token fetched a moment ago that is refused too will not
            // become good by asking again.
            if (renewed) {
                const wxString why =
                    verdict.text.empty() ? wxString::Format("status %u", answer.status) : verdict.text;
                Fail(Failure::Kind::failed, "EPO OPS refused its new token: " + why);
                return std::nullopt;
            }
            renewed = true;
            break;
        }
    }
}

bool OpsClient::Authorize(std::string& token)
{
    if (UsableToken(token))
        return true;
    // A plain mutex tried in steps: timed locks go through calls that
    // ThreadSanitizer does not follow, and the wait must stay stoppable.
    std::unique_lock<std::mutex> fetching(context.TokenFetch(), std::defer_lock);
    while (!fetching.try_lock()) {
        if (Stopped())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return UsableToken(token) || FetchToken(token);
}

// Called by the one client that holds the context's token fetch.
bool OpsClient::FetchToken(std::string& token)
{
    // Token requests are not paced (they count as neither pages nor
    // inquiries); one that is told to wait waits like an inquiry.
    OpsPacer& pacer = context.Retrieval();
    for (bool waitTurn = false;;) {
        if (UsableToken(token))
            return true;
        if (waitTurn && !WaitTurn(pacer))
            return false;
        const HttpAnswer answer = RequestToken();
        OpsVerdict verdict;
        const Next next = Judge(answer, OpsVerdict::Request::token, pacer, verdict);
        if (next == Next::end)
            return false;
        waitTurn = next != Next::use;
        if (waitTurn)
            continue;
        wxString error;
        const std::optional<OpsToken> fresh = OpsToken::Parse(answer.body, error);
        if (!fresh) {
            Fail(Failure::Kind::failed, "Error " + error);
            return false;
        }
        context.Token().Store(*fresh);
        token = fresh->accessToken;
        return true;
    }
}

bool OpsClient::UsableToken(std::string& token) const
{
    const std::optional<std::string> usable = context.Token().Usable();
    if (usable)
        token = *usable;
    return usable.has_value();
}

OpsClient::Next OpsClient::Judge(const HttpAnswer& answer, OpsVerdict::Request request, OpsPacer& pacer,
                                 OpsVerdict& verdict)
{
    if (Stopped())
        return Next::end;
    const RequestFailure& cause = answer.failure;
    switch (cause.kind) {
    case FailureKind::None:
    case FailureKind::HttpStatus:
        break;
    case FailureKind::Auth:
        if (cause.httpStatus == 401)
            break;
        Fail(Failure::Kind::failed, "Error " + cause.text);
        return Next::end;
    case FailureKind::Connect:
    case FailureKind::Read:
    case FailureKind::Timeout:
        return Retry(cause.text) ? Next::again : Next::end;
    case FailureKind::Stopped:
        Fail(Failure::Kind::stopped, "stopped");
        return Next::end;
    default:
        // A bad address, an untrusted certificate, a runaway answer: trying
        // again would meet the same.
        Fail(Failure::Kind::failed, "Error " + cause.text);
        return Next::end;
    }
    verdict = OpsVerdict::Of(answer.status, answer.Header("X-Rejection-Reason"), answer.Header("Retry-After"),
                             answer.body, request);
    switch (verdict.outcome) {
    case OpsVerdict::Outcome::ok:
        return Next::use;
    case OpsVerdict::Outcome::renewToken:
        return Next::renew;
    case OpsVerdict::Outcome::throttled:
        if (!MayWait(verdict.wait))
            return Next::end;
        pacer.HoldFor(verdict.wait);
        return Next::again;
    case OpsVerdict::Outcome::hourlyQuota:
        if (!MayWait(verdict.wait))
            return Next::end;
        context.HoldForHourlyQuota(verdict.wait);
        return Next::again;
    case OpsVerdict::Outcome::transient:
        return Retry(verdict.text) ? Next::again : Next::end;
    default:
        Fail(Failure::Kind::failed, verdict.text);
        return Next::end;
    }
}

bool OpsClient::WaitTurn(OpsPacer& pacer)
{
    bool told = false;
    Hold why = Hold::fairUse;
    // Whichever client met the hourly quota, every client it holds says so.
    const bool turn = pacer.WaitTurn([this] { return stopTest && stopTest(); },
                                     [this, &told, &why](int seconds) {
                                         told = true;
                                         why = context.HourlyQuotaHeld() ? Hold::hourlyQuota : Hold::fairUse;
                                         if (waitReport)
                                             waitReport(why, seconds);
                                     });
    if (!turn) {
        Fail(Failure::Kind::stopped, "stopped");
        return false;
    }
    if (told && waitReport)
        waitReport(why, 0);
    return true;
}

bool OpsClient::MayWait(std::chrono::milliseconds wait)
{
    waited += wait;
    if (waited <= mostWaiting)
        return true;
    Fail(Failure::Kind::failed, waitedTooLongStatus);
    return false;
}

bool OpsClient::Retry(const wxString& cause)
{
    if (!retryTest) {
        Fail(Failure::Kind::failed, "Error " + cause);
        return false;
    }
    if (retryTest(cause))
        return true;
    Fail(Failure::Kind::stopped, "stopped");
    return false;
}

bool OpsClient::Stopped()
{
    if (!stopTest || !stopTest())
        return false;
    Fail(Failure::Kind::stopped, "stopped");
    return true;
}

void OpsClient::Observe(const HttpAnswer& answer)
{
    context.Observe(answer.HeaderValues("X-Throttling-Control"));
    context.ObserveQuota(answer.Header("X-IndividualQuotaPerHour-Used"),
                         answer.Header("X-RegisteredQuotaPerWeek-Used"));
}

wxString OpsClient::ServiceUrl(const wxString& path) const
{
    wxString base = services.opsUrl;
    while (base.EndsWith("/"))
        base.RemoveLast();
    return base + "/" + path;
}

void OpsClient::Fail(Failure::Kind kind, const wxString& text)
{
    failure = {kind, text};
}
