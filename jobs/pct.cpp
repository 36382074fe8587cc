#include "jobs/pct.h"

#include "jobs/ImageList.h"
#include "pdf/PdfWriter.h"

namespace {

bool IsNotFound(const RequestFailure& failure)
{
    return failure.kind == FailureKind::HttpStatus && failure.httpStatus == 404;
}

// A page the server refused (an error status, a demand for credentials) ends
// the job; a page that brought no answer, or no readable one, is tried again.
bool PageRefused(const RequestFailure& failure)
{
    return failure.kind == FailureKind::HttpStatus || failure.kind == FailureKind::Auth;
}

}  // namespace

pct::pct(const wxString& number, int row, wxEvtHandler* sink, const Hosts& hosts,
         const NetworkSettings& network)
    : pat2pdf(row, sink, network), opsSession(0, "", "", "", ""), hosts(hosts)
{
    this->number = number;
    opsSession.SetStopTest([this] { return StopRequested(); });
    opsSession.SetTrace(network.trace);
}

pct::~pct() = default;

wxThread::ExitCode pct::Entry()
{
    if (!opsSession.IsReady()) {
        PostStatus("Error " + opsSession.GetError());
        return 0;
    }
    PostStatus("Downloading from worldwide.espacenet.com");
    if (PreviouslyDownloaded())
        return 0;
    const wxString path = outFile.GetFullPath();
    if (StopRequested())
        return 0;
    if (!FetchImageList(number)) {
        if (IsNotFound(opsSession.GetFailure()))
            PostStatus("Not Found!");
        else
            PostStatus(ConnectionError());
        return 0;
    }
    if (StopRequested())
        return 0;
    if (pageCount > maxPages) {
        PostStatus(wxString::Format("Error Too Many Pages (%lu)", static_cast<unsigned long>(pageCount)));
        return 0;
    }
    FetchPages(path);
    return 0;
}

wxString pct::ConnectionError() const
{
    return wxString::Format("Connection Error %s -- %i", opsSession.GetError(),
                            static_cast<int>(opsSession.GetStatusCode()));
}

bool pct::FetchPages(const wxString& path)
{
    PdfWriter writer(path, static_cast<int>(pageCount));
    RetryDecision retry(RetryDecision::Rule::everyFailure);
    uint32_t page = 1;
    for (;;) {
        if (page > pageCount)
            break;
        if (StopRequested())
            return false;
        if (!writer.IsOk()) {
            PostStatus(wxString::Format("Error Downloading page %d %s", static_cast<int>(page),
                                        writer.GetError()));
            return false;
        }
        PostStatus(wxString::Format("Downloading page %lu of %lu", static_cast<unsigned long>(page),
                                    static_cast<unsigned long>(pageCount)));
        wxString cause;
        const PageAttempt attempt = FetchPage(writer, page, cause);
        if (attempt == PageAttempt::Added) {
            ++page;
            continue;
        }
        if (PageRefused(opsSession.GetFailure())) {
            PostStatus(ConnectionError());
            return false;
        }
        if (attempt == PageAttempt::Unreadable && GiveUpOnPage(static_cast<int>(page), cause))
            return false;
        if (attempt == PageAttempt::NoAnswer && !retry.Retry(opsSession.GetFailure()))
            return false;
        bool goOn = CountDown([&cause](int n) {
            return wxString::Format("Error %s Downloading Tiff Reconnecting in %is", cause, n);
        });
        if (!goOn)
            return false;
    }
    return Finish(writer, path);
}

bool pct::FetchImageList(const wxString& number)
{
    if (!opsSession.Connect(hosts.ops))
        return false;
    if (StopRequested())
        return false;
    const wxString path = "/2.6.2/rest-services/published-data/publication/epodoc/" +
                          HttpSession::EncodePathText(number) + "/images";
    std::unique_ptr<wxInputStream> body;
    RetryDecision retry(RetryDecision::Rule::everyFailure);
    while (!(body = opsSession.Request(path))) {
        // An error status decides also without a body; an empty 200 is
        // retried like a broken transfer.
        if (opsSession.GetFailure().kind == FailureKind::HttpStatus || !retry.Retry(opsSession.GetFailure()))
            break;
        bool goOn = CountDown([](int n) {
            return wxString::Format("Error Downloading PCT Reconnecting in %is", n);
        });
        if (!goOn)
            return false;
    }

    ImageList list;
    if (body)
        list.Parse(*body);
    imageHost = list.host;
    imagePath = list.path;
    pageCount = list.pageCount;
    return list.Found();
}

pat2pdf::PageAttempt pct::FetchPage(PdfWriter& writer, uint32_t page, wxString& cause)
{
    if (!opsSession.Connect(imageHost) || StopRequested()) {
        cause = opsSession.GetError();
        return PageAttempt::NoAnswer;
    }
    const unsigned long range = page;
    std::unique_ptr<wxInputStream> body =
        opsSession.Request(wxString::Format("%s.tiff?Range=%lu", imagePath, range),
                           {"Accept: application/tiff", wxString::Format("Range: %lu", range)});
    if (body && opsSession.GetFailure().kind == FailureKind::HttpStatus)
        return PageAttempt::NoAnswer;  // the caller ends the job on the status
    return AddAnswer(opsSession, std::move(body), writer, cause);
}
