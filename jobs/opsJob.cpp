#include "jobs/opsJob.h"

#include "jobs/JobEvents.h"
#include "net/HttpsClient.h"
#include "pdf/PdfWriter.h"
#include "services/ops/OpsClient.h"
#include "services/ops/OpsInquiry.h"
#include "services/ops/OpsNumber.h"

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
    if (!OpsClient::HasKey(services)) {
        PostStatus(keyNeededStatus);
        return 0;
    }
    const wxString path = outFile.GetFullPath();
    HttpsClient http(network, services.caFile);
    if (!UsableClient(http))
        return 0;
    http.SetBodyCap(bodyCap);
    OpsClient client(http, services, *context);
    client.SetStopTest([this] { return StopRequested(); });
    client.SetRetryTest([this](const wxString& cause) { return CountDownToRetry(cause, busyStatus); });
    client.SetWaitReport([this](OpsClient::Hold why, int seconds) {
        if (seconds == 0)
            PostStatus(busyStatus);
        else
            PostStatus(wxString::Format(why == OpsClient::Hold::hourlyQuota ? hourlyQuotaWait : fairUseWait,
                                        seconds));
    });

    busyStatus = "Downloading";
    const std::optional<OpsInquiry> inquiry = client.Inquiry(*opsNumber);
    if (!inquiry) {
        PostFailure(client);
        return 0;
    }
    const OpsInstance* instance = inquiry->Choose(opsNumber->kind);
    if (!instance) {
        PostStatus("EPO OPS has no page images of this document");
        return 0;
    }
    if (instance->pageCount > maxPages) {
        PostStatus(wxString::Format("Error Too Many Pages (%u)", instance->pageCount));
        return 0;
    }
    FetchPages(client, *instance, path);
    return 0;
}

wxString opsJob::NoOpsFormStatus() const
{
    if (entry.kind == Classification::us && !entry.query.empty())
        return "US serial numbers cannot be fetched from EPO OPS: enter the publication number";
    return "Unknown Patent/Application Format";
}

bool opsJob::FetchPages(OpsClient& client, const OpsInstance& instance, const wxString& path)
{
    const int pages = static_cast<int>(instance.pageCount);
    PdfWriter writer(path, pages, WriterOptions(instance));
    for (int page = 1; page <= pages; ++page) {
        busyStatus = wxString::Format("Downloading page %i of %i", page, pages);
        PostStatus(busyStatus);
        for (;;) {
            if (StopRequested())
                return false;
            if (!writer.IsOk()) {
                PostStatus(wxString::Format("Error Downloading page %d %s", page, writer.GetError()));
                return false;
            }
            const std::optional<std::string> answer = client.Page(instance, page);
            if (!answer) {
                PostFailure(client);
                return false;
            }
            wxMemoryInputStream body(answer->data(), answer->size());
            wxString cause;
            const PageAttempt attempt = AddPage(answer->empty() ? nullptr : &body, writer, cause);
            if (attempt == PageAttempt::Added) {
                PostPageFetched(Sink());
                break;
            }
            if (attempt == PageAttempt::WriterFailed) {
                PostStatus(wxString::Format("Error Downloading page %d %s", page, cause));
                return false;
            }
            if (GiveUpOnPage(page, cause) || !CountDownToRetry(cause, busyStatus))
                return false;
        }
    }
    return Finish(writer, path);
}

void opsJob::PostFailure(const OpsClient& client)
{
    if (client.LastFailure().kind != OpsClient::Failure::Kind::stopped)
        PostStatus(client.LastFailure().text);
}
