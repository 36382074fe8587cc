#pragma once

#include "net/HttpAnswer.h"
#include "services/ops/OpsVerdict.h"
#include "settings/ServiceSettings.h"

#include <wx/string.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

class HttpsClient;
class OpsContext;
class OpsInquiry;
class OpsPacer;
struct OpsInstance;
struct OpsNumber;

// EPO Open Patent Services 3.2 over an HttpsClient: the access token, the
// image inquiry of a document and its pages. Every request waits for its
// slot of the run's pacing, and the token is shared, through the OpsContext
// of the run; a wait the service asks for holds the run, a refused token is
// renewed once, a failure another try may mend is retried when the retry
// test says so; anything else ends the step with LastFailure() in one plain
// line. One client serves one thread; nothing throws.
class OpsClient
{
public:
    using StopTest = std::function<bool()>;
    // Why a request waits for its turn.
    enum class Hold { fairUse, hourlyQuota };
    // Told the whole seconds left of a wait for a request's turn each time
    // they change, then 0 once a wait that was told is over.
    using WaitReport = std::function<void(Hold why, int secondsLeft)>;
    // Asked after a failure that another try may mend (no connection, a
    // timeout, the service's maintenance), with its cause: true sends the
    // request again, false ends the step as stopped. Without one the step
    // ends with the cause.
    using RetryTest = std::function<bool(const wxString& cause)>;

    struct Failure
    {
        enum class Kind { none, stopped, failed };
        Kind kind = Kind::none;
        wxString text;
    };

    // The waits OPS asks of one client (one document) add up to at most
    // this; a wait that would pass it ends the step.
    static constexpr std::chrono::milliseconds mostWaiting{3'600'000};
    static constexpr const char* waitedTooLongStatus = "EPO OPS waits passed an hour: try again later";

    // `context` is the run's, shared with every other OPS client; it
    // outlives this one.
    OpsClient(HttpsClient& http, const ServiceSettings& services, OpsContext& context);

    // Asked at least every 100 ms while waiting; true ends the step (stopped).
    void SetStopTest(StopTest test);
    void SetWaitReport(WaitReport report);
    void SetRetryTest(RetryTest test);

    // Whether the settings hold a key and a secret to ask a token with.
    static bool HasKey(const ServiceSettings& services);

    // The image inquiry of `number`.
    std::optional<OpsInquiry> Inquiry(const OpsNumber& number);
    // Page `page` of `instance`'s image set as OPS sends it.
    std::optional<std::string> Page(const OpsInstance& instance, int page);

    const Failure& LastFailure() const { return failure; }

    // Single requests, sent at once and not judged, for a check of the key;
    // their answers tell the context the service's load and the quotas used,
    // as every answer does. The token request (the consumer key and secret)
    // is made here only.
    HttpAnswer RequestToken();
    HttpAnswer RequestInquiry(const wxString& epodoc, const std::string& token);

private:
    // What to do after one answer.
    enum class Next { use, renew, again, end };

    // GETs `url` in a slot of `pacer` with a usable token until the answer
    // is the one asked for; nullopt with LastFailure() set when the step ends.
    std::optional<HttpAnswer> Get(const wxString& url, OpsPacer& pacer);
    HttpAnswer RequestData(const wxString& url, const std::string& token);
    // A token to send, fetched when none is usable; false when the step ends.
    bool Authorize(std::string& token);
    bool FetchToken(std::string& token);
    bool UsableToken(std::string& token) const;
    // Reads what `answer` means, waits or retries when it asks for that.
    Next Judge(const HttpAnswer& answer, OpsVerdict::Request request, OpsPacer& pacer, OpsVerdict& verdict);
    bool WaitTurn(OpsPacer& pacer);
    // Counts a wait OPS asked for; false, with the step's failure set, once
    // the waits pass mostWaiting.
    bool MayWait(std::chrono::milliseconds wait);
    bool Retry(const wxString& cause);
    bool Stopped();
    void Observe(const HttpAnswer& answer);
    wxString ServiceUrl(const wxString& path) const;
    void Fail(Failure::Kind kind, const wxString& text);

    HttpsClient& http;
    const ServiceSettings services;  // opsUrl, opsKey, opsSecret
    OpsContext& context;
    StopTest stopTest;
    WaitReport waitReport;
    RetryTest retryTest;
    std::chrono::milliseconds waited{0};  // asked of this client so far
    Failure failure;
};
