#pragma once

#include "net/HttpAnswer.h"
#include "services/eps/EpsNumber.h"

#include <wx/string.h>

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

class EpsContext;
class HttpsClient;

// The EPO's European Publication Server (REST interface 1.2) over an
// HttpsClient: finds the id of an EP number and fetches the document's PDF,
// one request at a time for the whole run (EpsContext). The client follows
// redirects itself (HttpsClient does not), only to http:// and https://
// URLs and at most mostRedirects of them. The fair-use block page stops every
// later request of the run; everything else that goes wrong ends the step
// with LastFailure() in one plain line. One client serves one thread;
// nothing throws.
class EpsClient
{
public:
    using StopTest = std::function<bool()>;
    // Told true when a request waits for another job's to end, false when
    // its turn has come.
    using WaitReport = std::function<void(bool waiting)>;

    struct Failure
    {
        enum class Kind { none, notFound, stopped, blocked, wipo, failed };
        Kind kind = Kind::none;
        wxString text;
        // The failed request's own failure (Connect, Read, Timeout,
        // HttpStatus with its status, ...), which decides whether trying
        // again can help; kind None when no request failed.
        RequestFailure request;
    };

    static constexpr int mostRedirects = 5;
    // Answers that should be a page or a list of formats are refused beyond
    // this (kind TooLarge), and an HTML answer beyond it is not read; only
    // PDFs may take the HttpsClient's own cap.
    static constexpr size_t pageCap = 2u * 1024 * 1024;

    // `url` is the service's base URL ([eps] url), without the interface's path.
    EpsClient(HttpsClient& http, EpsContext& context, const wxString& url);

    // Asked at least every 100 ms while waiting for the turn; true ends the step (stopped).
    void SetStopTest(StopTest test);
    void SetWaitReport(WaitReport report);

    // The id of the document `number` names: with its typed kind as it is,
    // else of the first of B2, B1, A1, A2, A3 the server has — the grant
    // when there is one, else the application.
    std::optional<wxString> DocumentId(const EpsNumber& number);
    // The document's PDF as the server keeps it; from the page's toolbar link
    // when the server answers with a page instead.
    std::optional<std::string> Pdf(const wxString& documentId);

    const Failure& LastFailure() const { return failure; }

private:
    struct Fetched
    {
        HttpAnswer answer;
        wxString url;  // where it came from, after redirects
    };

    // A 2xx answer of `url` or of where it redirects to, which is not the
    // block page; nullopt with LastFailure() set otherwise.
    std::optional<Fetched> Fetch(wxString url, size_t cap);
    // One request in the run's turn; false (with LastFailure()) when the
    // address is blocked, by an earlier answer or this one, or the step
    // stopped before the request went out.
    bool Send(const wxString& url, size_t cap, HttpAnswer& answer);
    bool TakeTurn(std::unique_lock<std::timed_mutex>& turn);
    bool Judge(const HttpAnswer& answer);
    bool Stopped();
    void Fail(Failure::Kind kind, const wxString& text, const RequestFailure& request = {});
    wxString PatentUrl(const wxString& documentId) const;

    HttpsClient& http;
    EpsContext& context;
    wxString url;
    StopTest stopTest;
    WaitReport waitReport;
    Failure failure;
};
