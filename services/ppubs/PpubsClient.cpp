#include "services/ppubs/PpubsClient.h"

#include "net/HttpsClient.h"
#include "services/JsonAnswer.h"
#include "services/ppubs/PpubsNumber.h"

#include <wx/utils.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace {

using Json = nlohmann::json;

// A rate limit that keeps answering 429 ends the step after this many waits.
const int maxRateLimitWaits = 5;
const long longestRateLimitWait = 3600;
// More pages than any document has: a bound on what a search answer can make us ask.
const int mostPages = 10000;
const int pollIntervalMs = 1000;
const int stopCheckMs = 100;
const char* const rateLimitStatus = "USPTO rate limit did not end";

bool IsJson(const HttpAnswer& answer)
{
    return answer.Header("Content-Type").Lower().Contains("json");
}

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

}  // namespace

PpubsClient::PpubsClient(HttpsClient& http, const PpubsPaths& paths) : http(http), paths(paths) {}

void PpubsClient::SetStopTest(StopTest test)
{
    stopTest = std::move(test);
}

void PpubsClient::SetWaitReport(WaitReport report)
{
    waitReport = std::move(report);
}

void PpubsClient::SetPollLimit(int polls)
{
    pollLimit = std::max(1, polls);
}

std::optional<std::string> PpubsClient::DirectPdf(const wxString& n)
{
    failure = {};
    std::optional<HttpAnswer> answer = Api(paths.DirectPdf(n), nullptr, "direct PDF", Call::pdf);
    if (!answer)
        return std::nullopt;
    return Pdf(*answer);
}

bool PpubsClient::OpenSession()
{
    failure = {};
    token.clear();
    caseId = 0;
    if (!Api(paths.Page(), nullptr, "page", Call::bare))
        return false;
    std::optional<HttpAnswer> answer = Api(paths.Session(), [] { return std::string("-1"); }, "session", Call::bare);
    const std::optional<std::int64_t> newCase = answer ? ReadSession(answer->body, failure) : std::nullopt;
    const std::string newToken = answer ? std::string(answer->Header("x-access-token").utf8_str()) : "";
    if (!newCase)
        return false;
    if (newToken.empty()) {
        Fail(Failure::Kind::failed, "USPTO's session answer lacks its token or case");
        return false;
    }
    token = newToken;
    caseId = *newCase;
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
    auto body = [this, query] {
        Json filters = Json::array();
        for (const char* database : {"US-PGPUB", "USPAT", "USOCR"})
            filters.push_back({{"databaseName", database}, {"countryCodes", Json::array()}});
        Json search = {{"caseId", caseId}, {"op", "OR"}, {"q", query}, {"qt", "brs"}, {"databaseFilters", filters}};
        return Json{{"start", 0}, {"pageCount", 500}, {"sort", "date_publ desc"}, {"query", search}}.dump();
    };
    std::optional<HttpAnswer> answer = Api(paths.Search(), body, "search", Call::api);
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
        const Json job = {{"caseId", caseId},
                          {"pageKeys", keys},
                          {"patentGuid", document.guid},
                          {"saveOrPrint", "save"},
                          {"source", document.type}};
        return job.dump();
    };
    std::optional<HttpAnswer> answer = Api(paths.ImageViewer(), body, "print job", Call::api);
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
        std::optional<HttpAnswer> answer = Api(paths.PrintProcess(), body, "print status", Call::api);
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
            if (job.at("printProcessId").get<std::int64_t>() != jobId || job.at("printStatus") != "COMPLETED")
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
        Api(paths.Save(wxString::FromUTF8(pdfName)), nullptr, "saved PDF", Call::savedPdf);
    if (!answer)
        return std::nullopt;
    return Pdf(*answer);
}

std::optional<HttpAnswer> PpubsClient::Api(const wxString& url, const BodyMaker& body, const char* what, Call call)
{
    int rateLimitWaits = 0;
    bool renewed = call == Call::bare || call == Call::pdf;
    for (;;) {
        const std::string text = body ? body() : std::string();
        HttpAnswer answer = Send(url, body ? &text : nullptr, call);
        if (answer.status == 429 && rateLimitWaits++ < maxRateLimitWaits) {
            if (!WaitOutRateLimit(answer))
                return std::nullopt;
            continue;
        }
        // The firewall's refusal is an HTML page; an ended session answers JSON.
        if (answer.status == 403 && IsJson(answer) && !renewed) {
            renewed = true;
            if (!OpenSession())
                return std::nullopt;
            continue;
        }
        if (!Judge(answer, what))
            return std::nullopt;
        return answer;
    }
}

HttpAnswer PpubsClient::Send(const wxString& url, const std::string* body, Call call)
{
    HttpsClient::HeaderLines headers;
    if (body)
        headers.push_back("Content-Type: application/json");
    if ((call == Call::api || call == Call::savedPdf) && !token.empty())
        headers.push_back("X-Access-Token: " + wxString::FromUTF8(token));
    const size_t cap = http.BodyCap();
    if (call != Call::pdf && call != Call::savedPdf)
        http.SetBodyCap(std::min(cap, answerCap));
    HttpAnswer answer = body ? http.Post(url, *body, headers) : http.Get(url, headers);
    http.SetBodyCap(cap);
    return answer;
}

bool PpubsClient::WaitOutRateLimit(const HttpAnswer& answer)
{
    long seconds = 1;
    if (!answer.Header("x-rate-limit-retry-after-seconds").ToLong(&seconds) || seconds < 0)
        seconds = 1;
    seconds = std::min(seconds, longestRateLimitWait);
    // Counted when asked, so that a wait refused ends every later one too.
    rateLimitSeconds += seconds + 1;
    if (rateLimitSeconds > mostRateLimitSeconds) {
        Fail(Failure::Kind::failed, rateLimitStatus);
        return false;
    }
    for (long left = seconds + 1; left > 0; --left) {
        if (waitReport)
            waitReport(int(left));
        if (!Sleep(pollIntervalMs))
            return false;
    }
    if (waitReport)
        waitReport(0);
    return true;
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

bool PpubsClient::Judge(const HttpAnswer& answer, const char* what)
{
    if (answer.Ok())
        return true;
    if (answer.failure.kind == FailureKind::Stopped)
        Fail(Failure::Kind::stopped, "stopped");
    else if (answer.status == 403)
        Fail(Failure::Kind::failed, "USPTO refused the request (403)");
    else if (answer.status == 429)
        Fail(Failure::Kind::failed, rateLimitStatus);
    else if (answer.failure.kind == FailureKind::HttpStatus || answer.failure.kind == FailureKind::Auth)
        Fail(Failure::Kind::failed, wxString::Format("USPTO answered %u to the %s", answer.status, what));
    else
        Fail(Failure::Kind::failed, "USPTO " + wxString(what) + ": " + answer.failure.text);
    return false;
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
