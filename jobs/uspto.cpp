#include "jobs/uspto.h"

#include "jobs/JobEvents.h"
#include "jobs/PageList.h"
#include "jobs/SearchHit.h"
#include "numbers/UsNumber.h"
#include "pdf/PdfWriter.h"

#include <cstdlib>

namespace {

// Ids ending in 00-49 live on mirror 1 of their pair, 50-99 on mirror 2.
bool OnSecondMirror(const wxString& docId)
{
    long tail = 0;
    if (!docId.Right(2).ToLong(&tail))
        tail = 0;
    return tail >= 50;
}

wxString FilingDateRange(long series)
{
    switch (series) {
    case 12: return "12%2F1%2F2007-%3E12%2F31%2F2011";
    case 11: return "12%2F1%2F2004-%3E12%2F31%2F2007";
    case 10: return "12%2F1%2F2001-%3E12%2F31%2F2004";
    case 9: return "1%2F1%2F1998-%3E12%2F31%2F2001";
    default: return "";
    }
}

}  // namespace

uspto::uspto(const wxString& number, int row, wxEvtHandler* sink, const Hosts& hosts,
             const NetworkSettings& network)
    : pat2pdf(row, sink, network), hosts(hosts)
{
    this->number = number;
}

uspto::~uspto() = default;

wxThread::ExitCode uspto::Entry()
{
    if (!session.IsReady()) {
        PostStatus("Error Initializing WinInet!");
        return 0;
    }
    UsNumber us = NormalizeUsNumber(number);
    number = us.number;
    wxString docId = us.docId;
    if (us.IsSerial()) {
        docId = FindPublicationNumber(us.query);
        if (docId.empty()) {
            PostStatus("Serial Number Not Found");
            return 0;
        }
    }
    if (docId.empty()) {
        PostStatus("Unknown Patent/Application Format");
        return 0;
    }
    PostStatus("Downloading");

    if (PreviouslyDownloaded())
        return 0;
    const wxString path = outFile.GetFullPath();
    if (StopRequested() || connectError != 0)
        return 0;

    RetryDecision listRetry(RetryDecision::Rule::everyFailure);
    while (!GetPageList(docId)) {
        if (StopRequested() || !listRetry.Retry(session.GetFailure()))
            return 0;
        bool goOn = CountDown([this](int n) {
            return wxString::Format("%s Error Downloading Tiff List Reconnecting in %i", lastError, n);
        });
        if (!goOn)
            return 0;
    }
    if (connectError == 2) {
        PostStatus("Error Downloading Check Proxy");
        return 0;
    }
    if (StopRequested())
        return 0;
    if (numPages > static_cast<long>(maxPages)) {
        PostStatus(wxString::Format("Error Too Many Pages (%d)", numPages));
        return 0;
    }
    if (pageUrls.empty()) {
        PostStatus("Not Found");
        return 0;
    }
    if (StopRequested())
        return 0;
    FetchPages(path);
    return 0;
}

bool uspto::FetchPages(const wxString& path)
{
    const int pages = static_cast<int>(pageUrls.size());
    PdfWriter writer(path, pages);
    if (!writer.IsOk()) {
        PostStatus("Error Opening PDF");
        return false;
    }
    for (int page = 1; page <= pages; ++page) {
        if (StopRequested())
            return false;
        PostStatus(wxString::Format("Downloading page %i of %i", page, pages));
        RetryDecision retry(RetryDecision::Rule::everyFailure);
        for (;;) {
            wxString cause;
            const PageAttempt attempt =
                AddAnswer(session, session.Request(pageUrls[page - 1]), writer, cause);
            if (attempt == PageAttempt::Added)
                break;
            if (attempt == PageAttempt::WriterFailed) {
                PostStatus(wxString::Format("%s Error Downloading page %d %s", number, page, cause));
                return false;
            }
            if (StopRequested())
                return false;
            if (attempt == PageAttempt::Unreadable && GiveUpOnPage(page, cause))
                return false;
            if (attempt == PageAttempt::NoAnswer && !retry.Retry(session.GetFailure()))
                return false;
            bool goOn = CountDown([&cause](int n) {
                return wxString::Format("%s Error Downloading Page Reconencting in %is", cause, n);
            });
            if (!goOn)
                return false;
        }
        if (StopRequested())
            return false;
        PostPageFetched(Sink());
    }
    return Finish(writer, path);
}

wxString uspto::FindPublicationNumber(const wxString& query)
{
    const long series = std::strtol(query.BeforeFirst('/').utf8_str(), nullptr, 10);
    const wxString serial = query.AfterFirst('/');
    const wxString path =
        wxString("/netacgi/nph-Parser?Sect1=PTO2&Sect2=HITOFF&u=%2Fnetahtml%2FPTO%2Fsearch-adv.html"
                 "&r=0&p=1&f=S&l=50&Query=APN%2F")
        + serial + "+and+APD%2F" + FilingDateRange(series) + "&d=PG01";
    if (StopRequested())
        return "";

    HttpSession search(static_cast<int>(network.connectionType), network.proxyServer,
                       network.proxyPort, network.proxyUser, network.proxyPass);
    search.SetStopTest([this] { return StopRequested(); });
    search.SetTrace(network.trace);

    RetryDecision retry(RetryDecision::Rule::everyFailure);
    while (!search.Connect(hosts.applicationSearch)) {
        if (StopRequested() || !retry.Retry(search.GetFailure()))
            return "";
        bool goOn = CountDown([&search](int n) {
            return wxString::Format("Error %s Reconnecting in %is", search.GetError(), n);
        });
        if (!goOn)
            return "";
    }
    std::unique_ptr<wxInputStream> body;
    while (!(body = search.Request(path))) {
        if (StopRequested() || !retry.Retry(search.GetFailure()))
            return "";
        bool goOn = CountDown([](int n) {
            return wxString::Format("Error downloading publication number reconencting in %is", n);
        });
        if (!goOn)
            return "";
    }

    return FindSearchHit(*body, [this] { return StopRequested(); });
}

bool uspto::GetPageList(const wxString& docId)
{
    numPages = 0;
    connectError = 0;
    pageUrls.clear();

    wxString path;
    if (docId.length() == 11) {
        host = OnSecondMirror(docId) ? hosts.applicationImages2 : hosts.applicationImages1;
        path = "/.aiw?Docid=" + docId + "&idkey=NONE";
    } else {
        host = OnSecondMirror(docId) ? hosts.patentImages2 : hosts.patentImages1;
        path = "/.piw?Docid=" + docId + "&idkey=NONE";
    }
    if (StopRequested())
        return false;
    if (!session.Connect(host)) {
        connectError = 1;
        lastError = "Connection Error" + session.GetError();
        return false;
    }
    if (StopRequested())
        return false;
    std::unique_ptr<wxInputStream> body = session.Request(path);
    if (StopRequested())
        return false;
    if (!body) {
        // The session opens its connection with the first request, so an
        // unreachable server shows up here rather than at Connect.
        const bool noConnection = session.GetFailure().kind == FailureKind::Connect;
        lastError = noConnection ? "Connection Error" + session.GetError() : wxString("Connection Error2");
        connectError = 1;
        return false;
    }

    PageList list;
    if (!list.Parse(*body, [this] { return StopRequested(); }))
        return false;
    // Without a page count the answer is not a page list at all, which
    // usually means a proxy answered instead of the server.
    connectError = list.hasCount ? 0 : 2;
    numPages = static_cast<int>(list.numPages);
    pageUrls = list.PagePaths(maxPages);
    return true;
}
