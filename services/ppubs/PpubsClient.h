#pragma once

#include "net/HttpAnswer.h"
#include "services/ppubs/PpubsPaths.h"

#include <wx/string.h>


#include <cstdint>
#include <functional>
#include <cstddef>
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

// Patent Public Search over an HttpsClient: the direct PDF and the print-job
// flow (session, search, print job, polls, save). A 429 is waited out, a 403
// on the API renews the session once and resends; everything else that goes
// wrong ends the step with Failure() in one plain line. One client serves
// one thread; nothing throws.
class PpubsClient
{
public:
    using StopTest = std::function<bool()>;
    // Told the seconds left, once a second, while a rate limit is waited out,
    // then 0 when the wait is over.
    using WaitReport = std::function<void(int secondsLeft)>;

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
    // The rate-limit waits of one client (one document) add up to at most
    // this; a wait that would pass it ends the step.
    static constexpr long mostRateLimitSeconds = 3600;

    PpubsClient(HttpsClient& http, const PpubsPaths& paths);

    // Asked at least every 100 ms while waiting; true ends the step (stopped).
    void SetStopTest(StopTest test);
    void SetWaitReport(WaitReport report);
    // How many print-process polls, about a second apart, a job gets.
    void SetPollLimit(int polls);

    // The direct PDF of N; counts only a 200 application/pdf starting "%PDF-".
    std::optional<std::string> DirectPdf(const wxString& n);

    // The page with its cookies, then a session: its token and case.
    bool OpenSession();
    // The first document the search by N finds; notFound when none.
    std::optional<PpubsDocument> Search(const wxString& n);
    // A print job of every page of `document`; its id.
    std::optional<std::int64_t> PrintJob(const PpubsDocument& document);
    // Polls until the job is COMPLETED; the PDF's name.
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
    // failure.kind none while it is not.
    static std::optional<std::string> ReadPrintStatus(const std::string& body, std::int64_t jobId,
                                                      Failure& failure);

private:
    using BodyMaker = std::function<std::string()>;
    // What a request is: sent without the session (bare, pdf) or with it
    // (api, savedPdf); its answer a PDF, which may take the HttpsClient's
    // own cap, or not (answerCap).
    enum class Call { bare, api, pdf, savedPdf };

    // A 2xx answer, after rate-limit waits and (for API calls) one new
    // session; nullopt with LastFailure() set otherwise. A null `body` GETs.
    std::optional<HttpAnswer> Api(const wxString& url, const BodyMaker& body, const char* what, Call call);
    HttpAnswer Send(const wxString& url, const std::string* body, Call call);
    bool WaitOutRateLimit(const HttpAnswer& answer);
    bool Sleep(int milliseconds);
    bool Stopped();
    bool Judge(const HttpAnswer& answer, const char* what);
    std::optional<std::string> Pdf(const HttpAnswer& answer);
    void Fail(Failure::Kind kind, const wxString& text);

    HttpsClient& http;
    PpubsPaths paths;
    StopTest stopTest;
    WaitReport waitReport;
    int pollLimit = defaultPollLimit;
    long rateLimitSeconds = 0;  // asked for so far
    std::string token;
    std::int64_t caseId = 0;
    Failure failure;
};
