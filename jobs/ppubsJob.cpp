#include "jobs/ppubsJob.h"

#include "jobs/JobEvents.h"
#include "net/HttpsClient.h"
#include "pdf/PdfCheck.h"
#include "pdf/PdfFaxPages.h"
#include "pdf/PdfWriter.h"
#include "services/ppubs/PpubsClient.h"
#include "services/ppubs/PpubsNumber.h"
#include "services/ppubs/PpubsOutline.h"

namespace {

PdfWriter::Options WriterOptions(const std::optional<PpubsDocument>& document)
{
    PdfWriter::Options options;
    if (document) {
        for (const PpubsSection& section : PpubsOutline(document->sections))
            options.outline.push_back({section.title, section.page});
    }
    return options;
}

}  // namespace

bool ppubsJob::OfficePdf::Usable() const
{
    int pages = 0;
    wxString error;
    return fax.IsOk() || CheckWholePdf(bytes, pages, error);
}

ppubsJob::ppubsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
                   const ServiceSettings& services, PpubsContext* context)
    : pat2pdf(row, sink, network), entry(entry), services(services), context(context)
{
    // Named as on every route, so a document is found whichever brought it.
    number = entry.number;
}

wxThread::ExitCode ppubsJob::Entry()
{
    if (PreviouslyDownloaded())
        return 0;
    const std::optional<PpubsNumber> n = PpubsNumber::FromEntry(entry.typed);
    if (!n) {
        PostStatus(entry.query.empty() ? "Unknown Patent/Application Format" : serialStatus);
        return 0;
    }
    HttpsClient http(network, services.caFile);
    if (!UsableClient(http))
        return 0;
    http.SetBodyCap(bodyCap);
    PpubsClient client(http, PpubsPaths(services.ppubsUrl, services.ppubsImageUrl), *context);
    client.SetStopTest([this] { return StopRequested(); });
    client.SetWaitReport([this](int seconds) {
        PostStatus(seconds > 0 ? wxString::Format("Waiting %is: USPTO rate limit", seconds) : "Downloading");
    });
    client.SetRetryWait([this](const wxString& cause) { return CountDownToRetry(cause, "Downloading"); });

    PostStatus("Downloading");
    std::optional<PpubsDocument> document;
    const std::optional<OfficePdf> pdf = Download(client, *n, document);
    if (pdf)
        Write(*pdf, document, outFile.GetFullPath());
    return 0;
}

std::optional<ppubsJob::OfficePdf> ppubsJob::Download(PpubsClient& client, const PpubsNumber& n,
                                                     std::optional<PpubsDocument>& document)
{
    // Refused, challenged or cut short, each way gives way to the next; the
    // search page's own way comes last.
    using DirectWay = std::optional<std::string> (PpubsClient::*)(const wxString&);
    for (DirectWay way : {&PpubsClient::DirectPdf, &PpubsClient::ApiPdf}) {
        if (std::optional<std::string> direct = (client.*way)(n.n)) {
            std::optional<OfficePdf> pdf(std::in_place, std::move(*direct));
            if (pdf->Usable())
                return pdf;
        }
        if (StopRequested())
            return std::nullopt;
    }
    std::optional<std::string> printed = ViaPrintJob(client, n, document);
    if (!printed) {
        PostFailure(client);
        return std::nullopt;
    }
    return std::optional<OfficePdf>(std::in_place, std::move(*printed));
}

std::optional<std::string> ppubsJob::ViaPrintJob(PpubsClient& client, const PpubsNumber& n,
                                                  std::optional<PpubsDocument>& document)
{
    document = client.Search(n.n);
    if (!document)
        return std::nullopt;
    const std::optional<std::int64_t> job = client.PrintJob(*document);
    const std::optional<std::string> pdfName = job ? client.PollUntilComplete(*job) : std::nullopt;
    return pdfName ? client.Save(*pdfName) : std::nullopt;
}

bool ppubsJob::Write(const OfficePdf& pdf, const std::optional<PpubsDocument>& document, const wxString& path)
{
    if (StopRequested())
        return false;
    if (pdf.fax.IsOk())
        return Lift(pdf.fax, document, path);
    return KeepAsServed(pdf.bytes, document, pdf.fax.GetError(), path);
}

bool ppubsJob::Lift(const PdfFaxPages& pages, const std::optional<PpubsDocument>& document, const wxString& path)
{
    const int count = static_cast<int>(pages.GetPages().size());
    if (PageCountDiffers(count, document))
        return false;
    PdfWriter writer(path, count, WriterOptions(document));
    for (int page = 1; page <= count; ++page) {
        if (StopRequested())
            return false;
        PostStatus(wxString::Format("Downloading page %i of %i", page, count));
        if (!writer.AddFaxPage(pages.GetPages()[page - 1])) {
            PostStatus(wxString::Format("Error Downloading page %d %s", page, writer.GetError()));
            return false;
        }
        PostPageFetched(Sink());
    }
    return Finish(writer, path);
}

bool ppubsJob::KeepAsServed(const std::string& pdf, const std::optional<PpubsDocument>& document,
                            const wxString& liftError, const wxString& path)
{
    int count = 0;
    wxString error;
    if (!CheckWholePdf(pdf, count, error)) {
        // The fax reading's reason names the page where the file went wrong.
        PostStatus("USPTO sent an unusable PDF: " + (error == "Damaged PDF" ? liftError : error));
        return false;
    }
    if (PageCountDiffers(count, document))
        return false;
    PdfWriter writer(path, pdf);
    if (!Finish(writer, path))
        return false;
    // The window counts the pages it got from the USPTO.
    for (int page = 0; page < count; ++page)
        PostPageFetched(Sink());
    return true;
}

bool ppubsJob::PageCountDiffers(int pages, const std::optional<PpubsDocument>& document)
{
    if (!document || document->pageCount == pages)
        return false;
    PostStatus(wxString::Format("USPTO sent %d pages of %d", pages, document->pageCount));
    return true;
}

void ppubsJob::PostFailure(const PpubsClient& client)
{
    const PpubsClient::Failure& failure = client.LastFailure();
    switch (failure.kind) {
    case PpubsClient::Failure::Kind::notFound:
        PostStatus("Not Found!");
        break;
    case PpubsClient::Failure::Kind::stopped:
    case PpubsClient::Failure::Kind::none:
        break;
    default:
        PostStatus(failure.text);
        break;
    }
}
