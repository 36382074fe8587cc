#include "services/eps/EpsClient.h"

#include "net/HttpsClient.h"
#include "services/eps/EpsContext.h"
#include "services/eps/EpsLink.h"
#include "services/eps/EpsPage.h"

#include <algorithm>
#include <chrono>

namespace {

// The granted text when there is one, else the application.
const char* const probedKinds[] = {"B2", "B1", "A1", "A2", "A3"};
const std::chrono::milliseconds stopCheck{100};
const char* const blockedStatus = "EPO publication server: download limit reached for this address";
const char* const noPdfStatus = "EPO publication server sent no PDF";

bool IsPdf(const HttpAnswer& answer)
{
    return answer.body.compare(0, 5, "%PDF-") == 0;
}

bool IsRedirect(unsigned status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool LooksLikeHtml(const HttpAnswer& answer)
{
    const size_t first = answer.body.find_first_not_of(" \t\r\n");
    return answer.Header("Content-Type").Lower().Contains("html") ||
           (first != std::string::npos && answer.body[first] == '<');
}

bool IsBlockPage(const HttpAnswer& answer, const wxString& url)
{
    if (url.BeforeFirst('?').EndsWith("/forbidden.html"))
        return true;
    return LooksLikeHtml(answer) && answer.body.size() <= EpsClient::pageCap && EpsPage::Read(answer.body).blocked;
}

wxString WipoStatus(const std::string& woNumber)
{
    return "Published by WIPO: enter " + (woNumber.empty() ? wxString("the WO number") : wxString(woNumber));
}

}  // namespace

EpsClient::EpsClient(HttpsClient& http, EpsContext& context, const wxString& url)
    : http(http), context(context), url(url)
{
    while (this->url.EndsWith("/"))
        this->url.RemoveLast();
}

void EpsClient::SetStopTest(StopTest test)
{
    stopTest = std::move(test);
}

void EpsClient::SetWaitReport(WaitReport report)
{
    waitReport = std::move(report);
}

std::optional<wxString> EpsClient::DocumentId(const EpsNumber& number)
{
    failure = {};
    if (!number.kind.empty())
        return number.DocumentId(number.kind);
    for (const char* kind : probedKinds) {
        const wxString id = number.DocumentId(kind);
        if (Fetch(PatentUrl(id), pageCap))
            return id;
        if (failure.kind != Failure::Kind::notFound)
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> EpsClient::Pdf(const wxString& documentId)
{
    failure = {};
    std::optional<Fetched> fetched = Fetch(PatentUrl(documentId) + "/document.pdf", http.BodyCap());
    if (!fetched)
        return std::nullopt;
    if (IsPdf(fetched->answer))
        return std::move(fetched->answer.body);
    // Older deployments answered a page whose toolbar links to the PDF.
    if (!LooksLikeHtml(fetched->answer) || fetched->answer.body.size() > pageCap) {
        Fail(Failure::Kind::failed, noPdfStatus);
        return std::nullopt;
    }
    const EpsPage page = EpsPage::Read(fetched->answer.body);
    if (page.wipo) {
        Fail(Failure::Kind::wipo, WipoStatus(page.woNumber));
        return std::nullopt;
    }
    const std::optional<wxString> link = ResolveEpsLink(fetched->url, page.pdfLink);
    if (!link) {
        Fail(Failure::Kind::failed, noPdfStatus);
        return std::nullopt;
    }
    fetched = Fetch(*link, http.BodyCap());
    if (!fetched)
        return std::nullopt;
    if (IsPdf(fetched->answer))
        return std::move(fetched->answer.body);
    Fail(Failure::Kind::failed, noPdfStatus);
    return std::nullopt;
}

std::optional<EpsClient::Fetched> EpsClient::Fetch(wxString target, size_t cap)
{
    for (int redirects = 0;; ++redirects) {
        HttpAnswer answer;
        if (!Send(target, cap, answer))
            return std::nullopt;
        if (!IsRedirect(answer.status)) {
            if (!Judge(answer))
                return std::nullopt;
            return Fetched{std::move(answer), target};
        }
        if (redirects == mostRedirects) {
            Fail(Failure::Kind::failed, "EPO publication server redirected too often", answer.failure);
            return std::nullopt;
        }
        const std::optional<wxString> next = ResolveEpsLink(target, std::string(answer.Header("Location").utf8_str()));
        if (!next) {
            Fail(Failure::Kind::failed, "EPO publication server redirected to an unusable address", answer.failure);
            return std::nullopt;
        }
        target = *next;
    }
}

bool EpsClient::Send(const wxString& target, size_t cap, HttpAnswer& answer)
{
    std::unique_lock<std::timed_mutex> turn(context.Turn(), std::defer_lock);
    if (!context.Blocked() && !TakeTurn(turn))
        return false;
    if (context.Blocked()) {
        Fail(Failure::Kind::blocked, blockedStatus);
        return false;
    }
    const size_t oldCap = http.BodyCap();
    http.SetBodyCap(std::min(oldCap, cap));
    answer = http.Get(target);
    http.SetBodyCap(oldCap);
    context.ObserveQuota(answer.Header("x-quotaperweek-used"), answer.Header("x-quotaperweek-remaining"));
    // Known before the turn passes on, so that no job sends after the block.
    // The block page comes with status 200.
    if (answer.Ok() && IsBlockPage(answer, target)) {
        context.Block();
        Fail(Failure::Kind::blocked, blockedStatus);
        return false;
    }
    return true;
}

bool EpsClient::TakeTurn(std::unique_lock<std::timed_mutex>& turn)
{
    if (turn.try_lock())
        return true;
    if (waitReport)
        waitReport(true);
    while (!turn.try_lock_for(stopCheck)) {
        if (Stopped())
            return false;
    }
    if (waitReport)
        waitReport(false);
    return true;
}

bool EpsClient::Judge(const HttpAnswer& answer)
{
    if (answer.Ok())
        return true;
    if (answer.failure.kind == FailureKind::Stopped)
        Fail(Failure::Kind::stopped, "stopped", answer.failure);
    else if (answer.status == 404)
        Fail(Failure::Kind::notFound, "Not Found!", answer.failure);
    else if (answer.failure.kind == FailureKind::HttpStatus || answer.failure.kind == FailureKind::Auth)
        Fail(Failure::Kind::failed, wxString::Format("EPO publication server answered %u", answer.status),
             answer.failure);
    else
        Fail(Failure::Kind::failed, "EPO publication server: " + answer.failure.text, answer.failure);
    return false;
}

bool EpsClient::Stopped()
{
    if (!stopTest || !stopTest())
        return false;
    Fail(Failure::Kind::stopped, "stopped");
    return true;
}

void EpsClient::Fail(Failure::Kind kind, const wxString& text, const RequestFailure& request)
{
    failure = {kind, text, request};
}

wxString EpsClient::PatentUrl(const wxString& documentId) const
{
    return url + "/rest/v1.2/patents/" + documentId;
}
