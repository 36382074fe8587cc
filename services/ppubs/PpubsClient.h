#pragma once

#include "net/HttpAnswer.h"
#include "services/ppubs/PpubsContext.h"
#include "services/ppubs/PpubsPaths.h"

#include <wx/string.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

class HttpsClient;

// One document as the search found it.
struct PpubsDocument
{
    std::string guid;           // "US-6103599-A"
    std::string type;           // "USPAT", "US-PGPUB"
    std::string imageLocation;  // "uspat/US/06/103/599"
    int pageCount = 0;
    // The section starts the answer gives ("drawingsStart": 2, ...).
    std::map<std::string, int> sections;
};

// Patent Public Search over an HttpsClient: the direct PDFs and the
// print-job flow (search, print job, polls, save), with the session and the
// call budgets every job of the run shares through a PpubsContext. A call of
// a kind held after a 429 waits until the hold ends; a 403 on the API
// renews the session once and resends; a network failure is sent again
// after the retry wait, when one is set; everything else that goes wrong
// ends the step with Failure() in one plain line. One client serves one
// thread; nothing throws.
class PpubsClient
{
public:
    using StopTest = std::function<bool()>;
    // Told the seconds left, once a second, while a hold of a budget is
    // waited out, then 0 when the wait is over.
    using WaitReport = std::function<void(int secondsLeft)>;
    // Waits before a call that met a network failure is sent again, `cause`
    // saying why; false when the wait was stopped.
    using RetryWait = std::function<bool(const wxString& cause)>;

    struct Failure
    {
        enum class Kind { none, notFound, stopped, failed };
        Kind kind = Kind::none;
        wxString text;
    };

    static constexpr int defaultPollLimit = 120;
    // Beyond this the service's JSON answers and page are refused (kind
    // TooLarge); only the PDFs may take the HttpsClient's own cap.
    static constexpr size_t answerCap = 8u * 1024 * 1024;
    // The holds one client (one document) waits out add up to at most this;
    // a wait that would pass it ends the step.
    static constexpr long mostRateLimitSeconds = 3600;
    static constexpr const char* printFailedStatus = "USPTO could not make the PDF";

    // `context` is shared by every client of the run and outlives this one.
    PpubsClient(HttpsClient& http, const PpubsPaths& paths, PpubsContext& context);

    // Asked at least every 100 ms while waiting; true ends the step (stopped).
    void SetStopTest(StopTest test);
    void SetWaitReport(WaitReport report);
    // Without one, a network failure ends the step.
    void SetRetryWait(RetryWait wait);
    // How many print-process polls, about a second apart, a job gets.
    void SetPollLimit(int polls);

    // The image host's PDF of N; counts only a 200 application/pdf
    // starting "%PDF-", as do the other PDFs.
    std::optional<std::string> DirectPdf(const wxString& n);
    // The service's own PDF of N, asked with the session's token.
    std::optional<std::string> ApiPdf(const wxString& n);

    // The page, then a new session, which every client of the context uses
    // from now on. The other calls open one when none is open.
    bool OpenSession();
    // The first document the search by N finds (after the count the web
    // page asks first); notFound when none.
    std::optional<PpubsDocument> Search(const wxString& n);
    // A print job of every page of `document`; its id.
    std::optional<std::int64_t> PrintJob(const PpubsDocument& document);
    // Polls until the job is COMPLETED; the PDF's name. A job the service
    // says it could not make ends the step at once.
    std::optional<std::string> PollUntilComplete(std::int64_t jobId);
    std::optional<std::string> Save(const std::string& pdfName);

    const Failure& LastFailure() const { return failure; }

    // The readers of the service's JSON answers, each given a whole body (a
    // fuzz target drives them too): nullopt with `failure` set when the body
    // is not the answer expected.
    // The session's case.
    static std::optional<std::int64_t> ReadSession(const std::string& body, Failure& failure);
    // The first document found by N; notFound when none.
    static std::optional<PpubsDocument> ReadSearch(const std::string& body, const wxString& n, Failure& failure);
    static std::optional<std::int64_t> ReadPrintJob(const std::string& body, Failure& failure);
    // The PDF's name once job `jobId` is COMPLETED; nullopt with
    // failure.kind none while it is not, failed when the job FAILED.
    static std::optional<std::string> ReadPrintStatus(const std::string& body, std::int64_t jobId,
                                                      Failure& failure);

private:
    using UrlMaker = std::function<wxString()>;
    using BodyMaker = std::function<std::string()>;
    using Time = std::chrono::steady_clock::time_point;
    // Every call the client makes; what each needs is in one table.
    enum class Call { page, session, counts, search, imageViewer, printStatus, save, imagePdf, apiPdf };
    // What to do after one answer.
    enum class Next { use, again, renew, retry, end };

    // A 2xx answer, after holds, one new session (for calls that need one)
    // and retries; nullopt with LastFailure() set otherwise. A null `body`
    // GETs. Both makers are asked again for each attempt, after the
    // session is known.
    std::optional<HttpAnswer> Api(const UrlMaker& url, const BodyMaker& body, const char* what, Call call);
    std::optional<HttpAnswer> Api(const wxString& url, const BodyMaker& body, const char* what, Call call);
    HttpAnswer Send(const wxString& url, const std::string* body, Call call);
    Next NextAfter(const HttpAnswer& answer, Call call, bool renewed) const;
    bool EnsureSession();
    bool UseSharedSession();
    // Waits until a call of `call`'s kind may go and takes the turn.
    bool TakeTurn(Call call);
    // Counts the wait for a hold until `held`; false, with the step's
    // failure set, once the holds pass mostRateLimitSeconds.
    bool MayWaitUntil(Time held, Time now);
    void Settle(Call call, const HttpAnswer& answer);
    bool Sleep(int milliseconds);
    bool Stopped();
    // Why `answer` to the call `what` is no answer, in one line.
    static wxString Reason(const HttpAnswer& answer, const char* what);
    std::optional<std::string> Pdf(const HttpAnswer& answer);
    void Fail(Failure::Kind kind, const wxString& text);

    HttpsClient& http;
    PpubsPaths paths;
    PpubsContext& context;
    StopTest stopTest;
    WaitReport waitReport;
    RetryWait retryWait;
    int pollLimit = defaultPollLimit;
    std::chrono::milliseconds rateLimitWaited{0};  // holds counted so far
    Time countedUntil;                              // the end of the last hold counted
    PpubsSession session;                           // the one the last call used
    Failure failure;
};
