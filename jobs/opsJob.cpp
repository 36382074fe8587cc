#include "jobs/opsJob.h"

#include "jobs/JobEvents.h"
#include "net/HttpsClient.h"
#include "pdf/PdfWriter.h"
#include "services/ops/OpsContext.h"
#include "services/ops/OpsInquiry.h"
#include "services/ops/OpsNumber.h"
#include "services/ops/OpsToken.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <wx/mstream.h>

namespace {

const char* const fairUseWait = "Waiting %is: EPO fair-use limit";
const char* const hourlyQuotaWait = "Waiting %is: EPO hourly quota used up";

PdfWriter::Options WriterOptions(const OpsInstance& instance)
{
    PdfWriter::Options options;
    options.pageSizeFromResolution = true;
    for (const OpsOutlineEntry& entry : instance.Outline())
        options.outline.push_back({entry.title, static_cast<int>(entry.page)});
    return options;
}

}  // namespace

opsJob::opsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
               const ServiceSettings& services, OpsContext* context)
    : pat2pdf(row, sink, network), entry(entry), services(services), context(context)
{
    // The file is named as on the classic route: the short US number, the
    // other offices' number as typed.
    number = entry.number;
}

opsJob::~opsJob() = default;

wxThread::ExitCode opsJob::Entry()
{
    // A document already here is one whatever route brought it.
    if (PreviouslyDownloaded())
        return 0;
    const std::optional<OpsNumber> opsNumber =
        OpsNumber::FromEntry(entry.typed, entry.kind == Classification::us);
    if (!opsNumber) {
        PostStatus(NoOpsFormStatus());
        return 0;
    }
    if (!HasKey()) {
        PostStatus(keyNeededStatus);
        return 0;
    }
    const wxString path = outFile.GetFullPath();
    client = std::make_unique<HttpsClient>(network, services.caFile);
    if (client->SetupFailure().Failed()) {
        PostStatus(client->SetupFailure().text);
        return 0;
    }
    client->SetStopTest([this] { return StopRequested(); });
    client->SetBodyCap(bodyCap);

    OpsInquiry inquiry;
    if (!FetchInquiry(*opsNumber, inquiry))
        return 0;
    const OpsInstance* instance = inquiry.Choose(opsNumber->kind);
    if (!instance) {
        PostStatus("EPO OPS has no page images of this document");
        return 0;
    }
    if (instance->pageCount > maxPages) {
        PostStatus(wxString::Format("Error Too Many Pages (%u)", instance->pageCount));
        return 0;
    }
    FetchPages(*instance, path);
    return 0;
}

bool opsJob::HasKey() const
{
    return !wxString(services.opsKey).Trim().Trim(false).empty() &&
           !wxString(services.opsSecret).Trim().Trim(false).empty();
}

wxString opsJob::NoOpsFormStatus() const
{
    if (entry.kind == Classification::us && !entry.query.empty())
        return "US serial numbers cannot be fetched from EPO OPS: enter the publication number";
    return "Unknown Patent/Application Format";
}

wxString opsJob::ServiceUrl(const wxString& path) const
{
    wxString base = services.opsUrl;
    while (base.EndsWith("/"))
        base.RemoveLast();
    return base + "/" + path;
}

bool opsJob::FetchInquiry(const OpsNumber& opsNumber, OpsInquiry& inquiry)
{
    const wxString url =
        ServiceUrl("rest-services/published-data/publication/epodoc/" + opsNumber.epodoc + "/images");
    HttpAnswer answer;
    if (!Fetch(url, context->Retrieval(), "Downloading", answer))
        return false;
    wxString error;
    if (!inquiry.Parse(answer.body, error)) {
        PostStatus("Error " + error);
        return false;
    }
    return true;
}

bool opsJob::FetchPages(const OpsInstance& instance, const wxString& path)
{
    const int pages = static_cast<int>(instance.pageCount);
    PdfWriter writer(path, pages, WriterOptions(instance));
    const wxString pageUrl = ServiceUrl("rest-services/" + instance.link + ".tiff?Range=");
    for (int page = 1; page <= pages; ++page) {
        const wxString busy = wxString::Format("Downloading page %i of %i", page, pages);
        PostStatus(busy);
        for (;;) {
            if (StopRequested())
                return false;
            if (!writer.IsOk()) {
                PostStatus(wxString::Format("Error Downloading page %d %s", page, writer.GetError()));
                return false;
            }
            HttpAnswer answer;
            if (!Fetch(pageUrl + wxString::Format("%d", page), context->Images(), busy, answer))
                return false;
            wxMemoryInputStream body(answer.body.data(), answer.body.size());
            wxString cause;
            const PageAttempt attempt = AddPage(answer.body.empty() ? nullptr : &body, writer, cause);
            if (attempt == PageAttempt::Added) {
                PostPageFetched(Sink());
                break;
            }
            if (attempt == PageAttempt::WriterFailed) {
                PostStatus(wxString::Format("Error Downloading page %d %s", page, cause));
                return false;
            }
            if (GiveUpOnPage(page, cause) || !RetryAfterCountDown(cause, busy))
                return false;
        }
    }
    return Finish(writer, path);
}

bool opsJob::Fetch(const wxString& url, OpsPacer& pacer, const wxString& busyStatus, HttpAnswer& answer)
{
    bool renewed = false;
    for (;;) {
        std::string token;
        if (!Authorize(token, busyStatus) || !WaitTurn(pacer, busyStatus))
            return false;
        answer = client->Get(url, {"Authorization: Bearer " + wxString::FromUTF8(token.c_str())});
        OpsVerdict verdict;
        switch (Judge(answer, OpsVerdict::Request::data, pacer, busyStatus, verdict)) {
        case Next::use:
            return true;
        case Next::again:
            break;
        case Next::end:
            return false;
        case Next::renew:
            context->Token().Invalidate(token);
            // A token fetched a moment ago that is refused too will not
            // become good by asking again.
            if (renewed) {
                PostStatus("EPO OPS refused its new token: " +
                           (verdict.text.empty() ? wxString::Format("status %u", answer.status) : verdict.text));
                return false;
            }
            renewed = true;
            break;
        }
    }
}

bool opsJob::Authorize(std::string& token, const wxString& busyStatus)
{
    if (UsableToken(token))
        return true;
    // A plain mutex tried in steps: timed locks go through calls that
    // ThreadSanitizer does not follow, and the wait must stay stoppable.
    std::unique_lock<std::mutex> fetching(context->TokenFetch(), std::defer_lock);
    while (!fetching.try_lock()) {
        if (StopRequested())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Token requests are not paced (they count as neither pages nor
    // inquiries); one that is told to wait waits like an inquiry.
    OpsPacer& pacer = context->Retrieval();
    bool waitTurn = false;
    for (;;) {
        if (UsableToken(token))
            return true;
        if (waitTurn && !WaitTurn(pacer, busyStatus))
            return false;
        const HttpAnswer answer = client->Post(ServiceUrl("auth/accesstoken"), "grant_type=client_credentials",
                                               {OpsToken::Authorization(services.opsKey, services.opsSecret)});
        OpsVerdict verdict;
        const Next next = Judge(answer, OpsVerdict::Request::token, pacer, busyStatus, verdict);
        if (next == Next::end)
            return false;
        waitTurn = next != Next::use;
        if (waitTurn)
            continue;
        wxString error;
        const std::optional<OpsToken> fresh = OpsToken::Parse(answer.body, error);
        if (!fresh) {
            PostStatus("Error " + error);
            return false;
        }
        context->Token().Store(*fresh);
        token = fresh->accessToken;
        return true;
    }
}

bool opsJob::UsableToken(std::string& token) const
{
    const std::optional<std::string> usable = context->Token().Usable();
    if (usable)
        token = *usable;
    return usable.has_value();
}

opsJob::Next opsJob::Judge(const HttpAnswer& answer, OpsVerdict::Request request, OpsPacer& pacer,
                           const wxString& busyStatus, OpsVerdict& verdict)
{
    if (StopRequested())
        return Next::end;
    context->Observe(answer.HeaderValues("X-Throttling-Control"));
    context->ObserveQuota(answer.Header("X-IndividualQuotaPerHour-Used"),
                          answer.Header("X-RegisteredQuotaPerWeek-Used"));
    const RequestFailure& failure = answer.failure;
    switch (failure.kind) {
    case FailureKind::None:
    case FailureKind::HttpStatus:
        break;
    case FailureKind::Auth:
        if (failure.httpStatus == 401)
            break;
        PostStatus("Error " + failure.text);
        return Next::end;
    case FailureKind::Connect:
    case FailureKind::Read:
    case FailureKind::Timeout:
        return RetryAfterCountDown(failure.text, busyStatus) ? Next::again : Next::end;
    case FailureKind::Stopped:
        return Next::end;
    default:
        // A bad address, an untrusted certificate, a runaway answer: trying
        // again would meet the same.
        PostStatus("Error " + failure.text);
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
        context->HoldForHourlyQuota(verdict.wait);
        return Next::again;
    case OpsVerdict::Outcome::transient:
        return RetryAfterCountDown(verdict.text, busyStatus) ? Next::again : Next::end;
    default:
        PostStatus(verdict.text);
        return Next::end;
    }
}

bool opsJob::WaitTurn(OpsPacer& pacer, const wxString& busyStatus)
{
    bool shown = false;
    // Whichever job met the hourly quota, every job it holds says so.
    const bool turn = pacer.WaitTurn([this] { return StopRequested(); },
                                     [this, &shown](int seconds) {
                                         shown = true;
                                         const char* format =
                                             context->HourlyQuotaHeld() ? hourlyQuotaWait : fairUseWait;
                                         PostStatus(wxString::Format(format, seconds));
                                     });
    if (turn && shown)
        PostStatus(busyStatus);
    return turn;
}

bool opsJob::MayWait(std::chrono::milliseconds wait)
{
    waited += wait;
    if (waited <= mostWaiting)
        return true;
    PostStatus(waitedTooLongStatus);
    return false;
}
