#include "services/ppubs/PpubsClient.h"

#include "net/HttpsClient.h"
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
    std::optional<HttpAnswer> answer = Api(paths.DirectPdf(n), nullptr, "direct PDF", false);
    if (!answer)
        return std::nullopt;
    return Pdf(*answer);
}

bool PpubsClient::OpenSession()
{
    failure = {};
    token.clear();
    caseId = 0;
    if (!Api(paths.Page(), nullptr, "page", false))
        return false;
    std::optional<HttpAnswer> answer = Api(paths.Session(), [] { return std::string("-1"); }, "session", false);
    std::optional<Json> body = answer ? ParseJson(*answer, "session") : std::nullopt;
    if (!body)
        return false;
    const std::string newToken(answer->Header("x-access-token").utf8_str());
    try {
        caseId = body->at("userCase").at("caseId").get<std::int64_t>();
    } catch (const Json::exception&) {
        caseId = 0;
    }
    if (newToken.empty() || caseId <= 0) {
        Fail(Failure::Kind::failed, "USPTO's session answer lacks its token or case");
        return false;
    }
    token = newToken;
    return true;
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
    std::optional<HttpAnswer> answer = Api(paths.Search(), body, "search");
    std::optional<Json> found = answer ? ParseJson(*answer, "search") : std::nullopt;
    if (!found)
        return std::nullopt;
    try {
        const Json& patents = found->at("patents");
        if (found->at("numFound").get<long>() == 0 || patents.empty()) {
            Fail(Failure::Kind::notFound, "USPTO found no document " + n);
            return std::nullopt;
        }
        PpubsDocument document = DocumentOf(patents.at(0));
        if (document.pageCount >= 1 && document.pageCount <= mostPages && !document.imageLocation.empty())
            return document;
    } catch (const Json::exception&) {
    }
    Fail(Failure::Kind::failed, "USPTO's search answer lacks the expected fields");
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
    std::optional<HttpAnswer> answer = Api(paths.ImageViewer(), body, "print job");
    std::optional<Json> id = answer ? ParseJson(*answer, "print job") : std::nullopt;
    if (!id)
        return std::nullopt;
    if (!id->is_number_integer() || id->get<std::int64_t>() <= 0) {
        Fail(Failure::Kind::failed, "USPTO's print job answer is not a job number");
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
        std::optional<HttpAnswer> answer = Api(paths.PrintProcess(), body, "print status");
        std::optional<Json> jobs = answer ? ParseJson(*answer, "print status") : std::nullopt;
        if (!jobs)
            return std::nullopt;
        try {
            for (const Json& job : jobs->get<std::vector<Json>>()) {
                if (job.at("printProcessId").get<std::int64_t>() != jobId || job.at("printStatus") != "COMPLETED")
                    continue;
                const std::string name = job.at("pdfName").get<std::string>();
                if (IsPlainName(name))
                    return name;
            }
        } catch (const Json::exception&) {
            Fail(Failure::Kind::failed, "USPTO's print status answer lacks the expected fields");
            return std::nullopt;
        }
    }
    Fail(Failure::Kind::failed, wxString::Format("USPTO print job not complete after %d polls", pollLimit));
    return std::nullopt;
}

std::optional<std::string> PpubsClient::Save(const std::string& pdfName)
{
    failure = {};
    if (!IsPlainName(pdfName)) {
        Fail(Failure::Kind::failed, "not a print job's PDF name");
        return std::nullopt;
    }
    std::optional<HttpAnswer> answer = Api(paths.Save(wxString::FromUTF8(pdfName)), nullptr, "saved PDF");
    if (!answer)
        return std::nullopt;
    return Pdf(*answer);
}

std::optional<HttpAnswer> PpubsClient::Api(const wxString& url, const BodyMaker& body, const char* what, bool api)
{
    int rateLimitWaits = 0;
    bool renewed = !api;
    for (;;) {
        const std::string text = body ? body() : std::string();
        HttpAnswer answer = Send(url, body ? &text : nullptr, api);
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

HttpAnswer PpubsClient::Send(const wxString& url, const std::string* body, bool withToken)
{
    HttpsClient::HeaderLines headers;
    if (body)
        headers.push_back("Content-Type: application/json");
    if (withToken && !token.empty())
        headers.push_back("X-Access-Token: " + wxString::FromUTF8(token));
    return body ? http.Post(url, *body, headers) : http.Get(url, headers);
}

bool PpubsClient::WaitOutRateLimit(const HttpAnswer& answer)
{
    long seconds = 1;
    if (!answer.Header("x-rate-limit-retry-after-seconds").ToLong(&seconds) || seconds < 0)
        seconds = 1;
    seconds = std::min(seconds, longestRateLimitWait);
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
        Fail(Failure::Kind::failed, "USPTO rate limit did not end");
    else if (answer.status != 0)
        Fail(Failure::Kind::failed, wxString::Format("USPTO answered %u to the %s", answer.status, what));
    else
        Fail(Failure::Kind::failed, "USPTO " + wxString(what) + ": " + answer.failure.text);
    return false;
}

std::optional<Json> PpubsClient::ParseJson(const HttpAnswer& answer, const char* what)
{
    Json parsed = Json::parse(answer.body, nullptr, false);
    if (parsed.is_discarded()) {
        Fail(Failure::Kind::failed, "USPTO sent malformed JSON for the " + wxString(what));
        return std::nullopt;
    }
    return parsed;
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
    failure = {kind, text};
}
