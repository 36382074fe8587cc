#include "services/ppubs/PpubsClient.h"

#include "net/HttpsClient.h"
#include "net/RetryDecision.h"
#include "services/JsonAnswer.h"
#include "services/ppubs/PpubsNumber.h"

#include <wx/utils.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace {

using Json = nlohmann::json;

using Clock = std::chrono::steady_clock;

const long longestRateLimitWait = 3600;
// More pages than any document has: a bound on what a search answer can make us ask.
const int mostPages = 10000;
const int pollIntervalMs = 1000;
const int stopCheckMs = 100;
// How often a call that waits for the calls under way of its kind looks again.
const int turnCheckMs = 20;
const char* const rateLimitStatus = "USPTO rate limit did not end";
// A service's message shown in a status line is cut to this.
const size_t longestMessage = 200;

bool StartsAsPdf(const HttpAnswer& answer)
{
    return answer.Header("Content-Type").Lower().StartsWith("application/pdf") &&
           answer.body.compare(0, 5, "%PDF-") == 0;
}

// A print job's PDF name goes into a URL path: letters, digits, ".", "_", "-".
bool IsPlainName(const std::string& name)
{
    return !name.empty() && name[0] != '.' &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '.' || c == '_' || c == '-';
           });
}

std::string PageKey(const std::string& imageLocation, int page)
{
    char name[16];
    std::snprintf(name, sizeof name, "/%08d.tif", page);
    return imageLocation + name;
}

void SetFailure(PpubsClient::Failure& failure, PpubsClient::Failure::Kind kind, const wxString& text)
{
    failure = {kind, text};
}

std::optional<Json> ParseJson(const std::string& body, const char* what, PpubsClient::Failure& failure)
{
    Json parsed = ParseJsonAnswer(body);
    if (parsed.is_discarded()) {
        SetFailure(failure, PpubsClient::Failure::Kind::failed,
                   "USPTO sent malformed JSON for the " + wxString(what));
        return std::nullopt;
    }
    return std::optional<Json>(std::move(parsed));
}

PpubsDocument DocumentOf(const Json& patent)
{
    PpubsDocument document;
    document.guid = patent.at("guid").get<std::string>();
    document.type = patent.at("type").get<std::string>();
    document.imageLocation = patent.at("imageLocation").get<std::string>();
    document.pageCount = patent.at("pageCount").get<int>();
    for (const auto& field : patent.items()) {
        const std::string& name = field.key();
        if (name.size() > 5 && name.compare(name.size() - 5, 5, "Start") == 0 && field.value().is_number_integer())
            document.sections[name] = field.value().get<int>();
    }
    return document;
}

// What each call needs: the budget it counts against, whether it goes with
// the session (and so is renewed on a 403), the page's headers, the
// session's token as a header, a PDF's size cap, and whether a network
// failure is tried again (the direct PDFs have other ways instead).
struct CallTraits
{
    PpubsContext::Kind kind;
    bool withSession;
    bool pageHeaders;
    bool tokenHeader;
    bool pdf;
    bool retried;
};

using Kind = PpubsContext::Kind;
// In the order of PpubsClient::Call; kind, withSession, pageHeaders,
// tokenHeader, pdf, retried.
const CallTraits callTraits[] = {
    {Kind::session, false, false, false, false, true},     // page
    {Kind::session, false, true, false, false, true},      // session
    {Kind::search, true, true, true, false, true},         // counts
    {Kind::search, true, true, true, false, true},         // search
    {Kind::print, true, true, true, false, true},          // imageViewer
    {Kind::printStatus, true, true, true, false, true},    // printStatus
    {Kind::print, true, true, true, true, true},           // save
    {Kind::imagePdf, false, false, false, true, false},    // imagePdf
    {Kind::apiPdf, true, true, false, true, false},        // apiPdf
};

std::optional<long> HeaderNumber(const HttpAnswer& answer, const char* name)
{
    long value = 0;
    if (!answer.HasHeader(name) || !answer.Header(name).Trim().Trim(false).ToLong(&value) || value < 0)
        return std::nullopt;
    return value;
}

int SecondsUntil(Clock::time_point end, Clock::time_point now)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
    return static_cast<int>((ms + 999) / 1000);
}

// A message of the service as one short line.
wxString OneLine(const std::string& message)
{
    wxString line = wxString::FromUTF8(message);
    line.Truncate(longestMessage);
    for (wxString::iterator c = line.begin(); c != line.end(); ++c)
        if (*c < ' ')
            *c = ' ';
    return line.Trim().Trim(false);
}

// The query of the search and of the count before it, as the web page sends it.
Json SearchQuery(std::int64_t caseId, const std::string& query)
{
    Json filters = Json::array();
    for (const char* database : {"US-PGPUB", "USPAT", "USOCR"})
        filters.push_back({{"databaseName", database}, {"countryCodes", Json::array()}});
    return {{"caseId", caseId},     {"hl_snippets", "2"},
            {"op", "OR"},           {"q", query},
            {"queryName", query},   {"highlights", "1"},
            {"qt", "brs"},          {"spellCheck", false},
            {"viewName", "tile"},   {"plurals", true},
            {"britishEquivalents", true},
            {"databaseFilters", filters},
            {"searchType", 1},      {"ignorePersist", true},
            {"userEnteredQuery", query}};
}

Json SearchBody(const Json& query)
{
    return {{"start", 0},
            {"pageCount", 500},
            {"sort", "date_publ desc"},
            {"docFamilyFiltering", "familyIdFiltering"},
            {"searchType", 1},
            {"familyIdEnglishOnly", true},
            {"familyIdFirstPreferred", "US-PGPUB"},
            {"familyIdSecondPreferred", "USPAT"},
            {"familyIdThirdPreferred", "FPRS"},
            {"showDocPerFamilyPref", "showEnglish"},
            {"queryId", 0},
            {"tagDocSearch", false},
            {"query", query}};
}

// The failure of a job the service reports it could not make; nullopt while it may still come.
std::optional<wxString> PrintFailure(const Json& job)
{
    wxString message;
    const auto errorMessage = job.find("errorMessage");
    if (errorMessage != job.end() && errorMessage->is_string())
        message = OneLine(errorMessage->get<std::string>());
    if (message.empty() && job.at("printStatus") != "FAILED")
        return std::nullopt;
    const wxString failed = PpubsClient::printFailedStatus;
    return message.empty() ? failed : failed + ": " + message;
}

}  // namespace

PpubsClient::PpubsClient(HttpsClient& http, const PpubsPaths& paths, PpubsContext& context)
    : http(http), paths(paths), context(context)
{
}

void PpubsClient::SetStopTest(StopTest test)
{
    stopTest = std::move(test);
}

void PpubsClient::SetWaitReport(WaitReport report)
{
    waitReport = std::move(report);
}

void PpubsClient::SetRetryWait(RetryWait wait)
{
    retryWait = std::move(wait);
}

void PpubsClient::SetPollLimit(int polls)
{
    pollLimit = std::max(1, polls);
}

std::optional<std::string> PpubsClient::DirectPdf(const wxString& n)
{
    failure = {};
    std::optional<HttpAnswer> answer = Api(paths.DirectPdf(n), nullptr, "direct PDF", Call::imagePdf);
    return answer ? Pdf(*answer) : std::nullopt;
}

std::optional<std::string> PpubsClient::ApiPdf(const wxString& n)
{
    failure = {};
    std::optional<HttpAnswer> answer =
        Api([this, n] { return paths.ApiPdf(n, session.token); }, nullptr, "PDF", Call::apiPdf);
    return answer ? Pdf(*answer) : std::nullopt;
}

bool PpubsClient::OpenSession()
{
    failure = {};
    if (!Api(paths.Page(), nullptr, "page", Call::page))
        return false;
    std::optional<HttpAnswer> answer =
        Api(paths.Session(), [] { return std::string("-1"); }, "session", Call::session);
    const std::optional<std::int64_t> newCase = answer ? ReadSession(answer->body, failure) : std::nullopt;
    const std::string newToken = answer ? std::string(answer->Header("x-access-token").utf8_str()) : "";
    if (!newCase)
        return false;
    if (newToken.empty()) {
        Fail(Failure::Kind::failed, "USPTO's session answer lacks its token or case");
        return false;
    }
    session = {newToken, *newCase};
    context.Store(session);
    return true;
}

std::optional<std::int64_t> PpubsClient::ReadSession(const std::string& body, Failure& failure)
{
    const std::optional<Json> session = ParseJson(body, "session", failure);
    if (!session)
        return std::nullopt;
    std::int64_t caseId = 0;
    try {
        caseId = session->at("userCase").at("caseId").get<std::int64_t>();
    } catch (const Json::exception&) {
    }
    if (caseId <= 0) {
        SetFailure(failure, Failure::Kind::failed, "USPTO's session answer lacks its token or case");
        return std::nullopt;
    }
    return caseId;
}

std::optional<PpubsDocument> PpubsClient::Search(const wxString& n)
{
    failure = {};
    const std::string query(PpubsNumber{n}.Query().utf8_str());
    if (!Api(paths.Counts(), [this, query] { return SearchQuery(session.caseId, query).dump(); }, "count",
             Call::counts))
        return std::nullopt;
    auto body = [this, query] { return SearchBody(SearchQuery(session.caseId, query)).dump(); };
    std::optional<HttpAnswer> answer = Api(paths.Search(), body, "search", Call::search);
    return answer ? ReadSearch(answer->body, n, failure) : std::nullopt;
}

std::optional<PpubsDocument> PpubsClient::ReadSearch(const std::string& body, const wxString& n, Failure& failure)
{
    const std::optional<Json> found = ParseJson(body, "search", failure);
    if (!found)
        return std::nullopt;
    try {
        const Json& patents = found->at("patents");
        if (found->at("numFound").get<long>() == 0 || patents.empty()) {
            SetFailure(failure, Failure::Kind::notFound, "USPTO found no document " + n);
            return std::nullopt;
        }
        PpubsDocument document = DocumentOf(patents.at(0));
        if (document.pageCount >= 1 && document.pageCount <= mostPages && !document.imageLocation.empty())
            return document;
    } catch (const Json::exception&) {
    }
    SetFailure(failure, Failure::Kind::failed, "USPTO's search answer lacks the expected fields");
    return std::nullopt;
}

std::optional<std::int64_t> PpubsClient::PrintJob(const PpubsDocument& document)
{
    failure = {};
    if (document.pageCount < 1 || document.pageCount > mostPages) {
        Fail(Failure::Kind::failed, "no pages to print");
        return std::nullopt;
    }
    auto body = [this, document] {
        Json keys = Json::array();
        for (int page = 1; page <= document.pageCount; ++page)
            keys.push_back(PageKey(document.imageLocation, page));
        const Json job = {{"caseId", session.caseId},
                          {"pageKeys", keys},
                          {"patentGuid", document.guid},
                          {"saveOrPrint", "save"},
                          {"source", document.type}};
        return job.dump();
    };
    std::optional<HttpAnswer> answer = Api(paths.ImageViewer(), body, "print job", Call::imageViewer);
    return answer ? ReadPrintJob(answer->body, failure) : std::nullopt;
}

std::optional<std::int64_t> PpubsClient::ReadPrintJob(const std::string& body, Failure& failure)
{
    const std::optional<Json> id = ParseJson(body, "print job", failure);
    if (!id)
        return std::nullopt;
    if (!id->is_number_integer() || id->get<std::int64_t>() <= 0) {
        SetFailure(failure, Failure::Kind::failed, "USPTO's print job answer is not a job number");
        return std::nullopt;
    }
    return id->get<std::int64_t>();
}

std::optional<std::string> PpubsClient::PollUntilComplete(std::int64_t jobId)
{
    failure = {};
    auto body = [jobId] { return Json::array({std::to_string(jobId)}).dump(); };
    for (int poll = 0; poll < pollLimit; ++poll) {
        if (poll > 0 && !Sleep(pollIntervalMs))
            return std::nullopt;
        std::optional<HttpAnswer> answer = Api(paths.PrintProcess(), body, "print status", Call::printStatus);
        std::optional<std::string> name = answer ? ReadPrintStatus(answer->body, jobId, failure) : std::nullopt;
        if (name || failure.kind != Failure::Kind::none)
            return name;
    }
    Fail(Failure::Kind::failed, wxString::Format("USPTO print job not complete after %d polls", pollLimit));
    return std::nullopt;
}

std::optional<std::string> PpubsClient::ReadPrintStatus(const std::string& body, std::int64_t jobId,
                                                        Failure& failure)
{
    failure = {};
    const std::optional<Json> jobs = ParseJson(body, "print status", failure);
    if (!jobs)
        return std::nullopt;
    const char* const unreadable = "USPTO's print status answer lacks the expected fields";
    if (!jobs->is_array()) {
        SetFailure(failure, Failure::Kind::failed, unreadable);
        return std::nullopt;
    }
    try {
        for (const Json& job : *jobs) {
            if (job.at("printProcessId").get<std::int64_t>() != jobId)
                continue;
            if (const std::optional<wxString> failed = PrintFailure(job)) {
                SetFailure(failure, Failure::Kind::failed, *failed);
                return std::nullopt;
            }
            if (job.at("printStatus") != "COMPLETED")
                continue;
            const std::string name = job.at("pdfName").get<std::string>();
            if (IsPlainName(name))
                return name;
            // Waiting longer would not make the name usable.
            SetFailure(failure, Failure::Kind::failed, "USPTO's print job named its PDF unusably");
            return std::nullopt;
        }
    } catch (const Json::exception&) {
        SetFailure(failure, Failure::Kind::failed, unreadable);
    }
    return std::nullopt;
}

std::optional<std::string> PpubsClient::Save(const std::string& pdfName)
{
    failure = {};
    if (!IsPlainName(pdfName)) {
        Fail(Failure::Kind::failed, "not a print job's PDF name");
        return std::nullopt;
    }
    std::optional<HttpAnswer> answer =
        Api(paths.Save(wxString::FromUTF8(pdfName)), nullptr, "saved PDF", Call::save);
    return answer ? Pdf(*answer) : std::nullopt;
}

std::optional<HttpAnswer> PpubsClient::Api(const wxString& url, const BodyMaker& body, const char* what, Call call)
{
    return Api([&url] { return url; }, body, what, call);
}

std::optional<HttpAnswer> PpubsClient::Api(const UrlMaker& url, const BodyMaker& body, const char* what, Call call)
{
    const CallTraits& traits = callTraits[static_cast<size_t>(call)];
    bool renewed = false;
    for (;;) {
        if ((traits.withSession && !EnsureSession()) || !TakeTurn(call))
            return std::nullopt;
        const std::string text = body ? body() : std::string();
        HttpAnswer answer = Send(url(), body ? &text : nullptr, call);
        Settle(call, answer);
        switch (NextAfter(answer, call, renewed)) {
        case Next::use:
            return answer;
        case Next::again:
            break;
        case Next::renew:
            renewed = true;
            context.Forget(session.token);
            break;
        case Next::retry:
            if (!retryWait(Reason(answer, what))) {
                Fail(Failure::Kind::stopped, "stopped");
                return std::nullopt;
            }
            break;
        case Next::end:
            if (answer.failure.kind == FailureKind::Stopped)
                Fail(Failure::Kind::stopped, "stopped");
            else
                Fail(Failure::Kind::failed, Reason(answer, what));
            return std::nullopt;
        }
    }
}

PpubsClient::Next PpubsClient::NextAfter(const HttpAnswer& answer, Call call, bool renewed) const
{
    const CallTraits& traits = callTraits[static_cast<size_t>(call)];
    if (answer.failure.kind == FailureKind::Stopped)
        return Next::end;
    // Settle() has held the kind: the next turn waits the hold out.
    if (answer.status == 429)
        return Next::again;
    // An ended session answers JSON, a firewall or proxy in its way HTML:
    // either way a new session is the cure to try.
    if (answer.status == 403 && traits.withSession && !renewed)
        return Next::renew;
    if (answer.Ok())
        return Next::use;
    if (traits.retried && retryWait && RetryDecision(RetryDecision::Rule::network).Retryable(answer.failure))
        return Next::retry;
    return Next::end;
}

bool PpubsClient::EnsureSession()
{
    if (UseSharedSession())
        return true;
    // A plain mutex tried in steps, so the wait stays stoppable.
    std::unique_lock<std::mutex> opening(context.Opening(), std::defer_lock);
    while (!opening.try_lock()) {
        if (!Sleep(turnCheckMs))
            return false;
    }
    return UseSharedSession() || OpenSession();
}

bool PpubsClient::UseSharedSession()
{
    const std::optional<PpubsSession> shared = context.Session();
    if (shared)
        session = *shared;
    return shared.has_value();
}

HttpAnswer PpubsClient::Send(const wxString& url, const std::string* body, Call call)
{
    const CallTraits& traits = callTraits[static_cast<size_t>(call)];
    HttpsClient::HeaderLines headers;
    if (body)
        headers.push_back("Content-Type: application/json");
    if (traits.pageHeaders)
        headers.insert(headers.end(), {"Origin: " + paths.Origin(), "Referer: " + paths.Page(),
                                       "X-Requested-With: XMLHttpRequest"});
    if (traits.tokenHeader && !session.token.empty())
        headers.push_back("X-Access-Token: " + wxString::FromUTF8(session.token));
    const size_t cap = http.BodyCap();
    if (!traits.pdf)
        http.SetBodyCap(std::min(cap, answerCap));
    HttpAnswer answer = body ? http.Post(url, *body, headers) : http.Get(url, headers);
    http.SetBodyCap(cap);
    return answer;
}

bool PpubsClient::TakeTurn(Call call)
{
    PpubsBudget& budget = context.Budget(callTraits[static_cast<size_t>(call)].kind);
    int shown = 0;
    for (;;) {
        const Time now = Clock::now();
        const Time held = budget.HeldUntil();
        if (held <= now && budget.TryTake(now))
            break;
        if (held > now) {
            if (!MayWaitUntil(held, now))
                return false;
            const int left = SecondsUntil(held, now);
            if (left != shown && waitReport)
                waitReport(left);
            shown = left;
        }
        if (!Sleep(held > now ? stopCheckMs : turnCheckMs))
            return false;
    }
    if (shown > 0 && waitReport)
        waitReport(0);
    return true;
}

bool PpubsClient::MayWaitUntil(Time held, Time now)
{
    if (held > countedUntil) {
        rateLimitWaited +=
            std::chrono::duration_cast<std::chrono::milliseconds>(held - std::max(now, countedUntil));
        countedUntil = held;
    }
    // Once past, every later wait of this client is refused too.
    if (rateLimitWaited <= std::chrono::seconds(mostRateLimitSeconds))
        return true;
    Fail(Failure::Kind::failed, rateLimitStatus);
    return false;
}

void PpubsClient::Settle(Call call, const HttpAnswer& answer)
{
    PpubsBudget& budget = context.Budget(callTraits[static_cast<size_t>(call)].kind);
    budget.Return(HeaderNumber(answer, "x-rate-limit-remaining"), answer.Ok());
    if (answer.status != 429)
        return;
    // The service asks for N seconds; a second more covers our clocks' difference.
    const long seconds = std::min(HeaderNumber(answer, "x-rate-limit-retry-after-seconds").value_or(1),
                                  longestRateLimitWait);
    budget.HoldUntil(Clock::now() + std::chrono::seconds(seconds + 1));
}

bool PpubsClient::Sleep(int milliseconds)
{
    for (; milliseconds > 0; milliseconds -= stopCheckMs) {
        if (Stopped())
            return false;
        wxMilliSleep(std::min(milliseconds, stopCheckMs));
    }
    return !Stopped();
}

bool PpubsClient::Stopped()
{
    if (!stopTest || !stopTest())
        return false;
    Fail(Failure::Kind::stopped, "stopped");
    return true;
}

wxString PpubsClient::Reason(const HttpAnswer& answer, const char* what)
{
    if (answer.status == 403)
        return "USPTO refused the request (403)";
    if (answer.failure.kind == FailureKind::HttpStatus || answer.failure.kind == FailureKind::Auth)
        return wxString::Format("USPTO answered %u to the %s", answer.status, what);
    return "USPTO " + wxString(what) + ": " + answer.failure.text;
}

std::optional<std::string> PpubsClient::Pdf(const HttpAnswer& answer)
{
    if (StartsAsPdf(answer))
        return answer.body;
    Fail(Failure::Kind::failed, "USPTO sent no PDF");
    return std::nullopt;
}

void PpubsClient::Fail(Failure::Kind kind, const wxString& text)
{
    SetFailure(failure, kind, text);
}
