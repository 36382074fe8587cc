#include "jobs/epsJob.h"

#include "net/HttpsClient.h"
#include "pdf/PdfCheck.h"
#include "pdf/PdfWriter.h"
#include "services/eps/EpsClient.h"
#include "services/eps/EpsNumber.h"

#include <optional>

epsJob::epsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
               const ServiceSettings& services, EpsContext* context)
    : pat2pdf(row, sink, network), entry(entry), services(services), context(context)
{
    // Named as on every route, so a document is found whichever brought it.
    number = entry.number;
}

wxThread::ExitCode epsJob::Entry()
{
    if (PreviouslyDownloaded())
        return 0;
    const std::optional<EpsNumber> epNumber = EpsNumber::FromEntry(entry.number);
    if (!epNumber) {
        PostStatus("Unknown Patent/Application Format");
        return 0;
    }
    HttpsClient http(network, services.caFile);
    if (!UsableClient(http))
        return 0;
    EpsClient client(http, *context, services.epsUrl);
    client.SetStopTest([this] { return StopRequested(); });
    client.SetWaitReport([this](bool waiting) { PostStatus(waiting ? waitingStatus : "Downloading"); });

    RetryDecision retry;
    std::optional<wxString> id;
    while (!(id = client.DocumentId(*epNumber))) {
        if (!TryAgain(client, retry))
            return 0;
    }
    std::optional<std::string> pdf;
    while (!(pdf = client.Pdf(*id))) {
        if (!TryAgain(client, retry))
            return 0;
    }
    Keep(*pdf);
    return 0;
}

bool epsJob::TryAgain(const EpsClient& client, RetryDecision& retry)
{
    const EpsClient::Failure& failure = client.LastFailure();
    if (retry.Retry(failure.request))
        return CountDownToRetry(failure.text, "Downloading");
    switch (failure.kind) {
    case EpsClient::Failure::Kind::notFound:
        PostStatus("Not Found!");
        break;
    case EpsClient::Failure::Kind::stopped:
    case EpsClient::Failure::Kind::none:
        break;
    default:
        PostStatus(failure.text);
        break;
    }
    return false;
}

bool epsJob::Keep(const std::string& pdf)
{
    int pages = 0;
    wxString error;
    if (!CheckWholePdf(pdf, pages, error)) {
        PostStatus("EPO publication server sent an unusable PDF: " + error);
        return false;
    }
    const wxString path = outFile.GetFullPath();
    PdfWriter writer(path, pdf);
    return Finish(writer, path);
}
