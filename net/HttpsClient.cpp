#include "net/HttpsClient.h"

#include "net/AuthorityFile.h"
#include "net/CurlTransfer.h"
#include "net/ProxyInfo.h"

#include <curl/curl.h>

#include <memory>

namespace {

const char* const agentText = "FolioHarvester";
// Enough for two hosts of a service, each also through a proxy.
const long keptConnections = 4;

std::string Narrow(const wxString& text)
{
    return std::string(text.utf8_str());
}

// Each byte is the code point of its character. Not through wx's shared
// ISO-8859-1 converter: the library makes it on first use without a lock,
// and several job threads get here at once.
wxString Latin1(const std::string& bytes)
{
    wxString text;
    text.reserve(bytes.size());
    for (unsigned char byte : bytes)
        text += wxUniChar(byte);
    return text;
}

// The host of an absolute http:// or https:// URL; false for anything else.
bool HostOf(const std::string& url, wxString& host)
{
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return false;
    char* scheme = nullptr;
    char* name = nullptr;
    bool ok = curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
              (std::string(scheme) == "http" || std::string(scheme) == "https") &&
              curl_url_get(parsed.get(), CURLUPART_HOST, &name, 0) == CURLUE_OK;
    if (ok)
        host = wxString::FromUTF8(name);
    curl_free(scheme);
    curl_free(name);
    return ok;
}

wxString OneLine(const std::string& text)
{
    wxString line = wxString::FromUTF8(text.c_str());
    if (line.empty())
        line = Latin1(text);
    line.Replace("\r", " ");
    line.Replace("\n", " ");
    return line.Trim();
}

// The plain words for how a request to `host` failed.
wxString FailureText(FailureKind kind, const CurlTransfer::Outcome& outcome, unsigned status, size_t bodyCap,
                     const wxString& host)
{
    wxString detail = OneLine(outcome.detail);
    switch (kind) {
    case FailureKind::None:
        return wxString();
    case FailureKind::Refused:
        return "request not sent: " + detail;
    case FailureKind::Connect:
        // Nearly always no network at all, which the user should hear as such.
        if (outcome.code == CURLE_COULDNT_RESOLVE_HOST)
            return "cannot resolve " + host + ": is this computer online?";
        return "cannot connect: " + detail;
    case FailureKind::Certificate:
        detail.StartsWith("SSL certificate problem: ", &detail);
        return "certificate not trusted: " + detail;
    case FailureKind::Read:
        return (outcome.notHttp ? "not an HTTP answer: " : "connection broken: ") + detail;
    case FailureKind::Timeout:
        return (outcome.tooSlow ? "answer too slow: " : "no answer in time: ") + detail;
    case FailureKind::TooLarge:
        if (outcome.outOfMemory)
            return "answer too large for memory";
        return wxString::Format("answer larger than %zu bytes", bodyCap);
    case FailureKind::Stopped:
        return "stopped";
    case FailureKind::Auth:
        return status == 407 ? "proxy authentication failed (407)" : "server authentication failed (401)";
    case FailureKind::HttpStatus:
    case FailureKind::Empty:
        break;
    }
    return wxString::Format("server answered %u", status);
}

}  // namespace

struct HttpsClient::Impl
{
    CurlTransfer transfer{keptConnections};
    const NetworkSettings network;
    size_t bodyCap = defaultBodyCap;
    // A problem of the set-up that fails every request.
    RequestFailure setupFailure;
    curl_slist* headerList = nullptr;

    explicit Impl(const NetworkSettings& network) : network(network) {}
    ~Impl() { curl_slist_free_all(headerList); }

    void SetUp(const wxString& caFile);
    void TrustAlso(const wxString& caFile);
    bool BuildHeaderList(const HeaderLines& lines, bool withBody);
    HttpAnswer Run(const wxString& url, const std::string* body, const HeaderLines& lines);
    HttpAnswer Judge(const CurlTransfer::Outcome& outcome, const wxString& host);
};

void HttpsClient::Impl::SetUp(const wxString& caFile)
{
    if (transfer.InitResult() != CURLE_OK) {
        setupFailure = {FailureKind::Refused, 0, wxString("request not sent: ") + curl_easy_strerror(transfer.InitResult())};
        return;
    }
    transfer.SetBodyCap(bodyCap);
    transfer.SetTrace(network.trace);
    curl_easy_setopt(transfer.Handle(), CURLOPT_USERAGENT, agentText);
    // An empty file name turns on the handle's own cookie store: a service's
    // session cookies go back to it, and live as long as this client.
    curl_easy_setopt(transfer.Handle(), CURLOPT_COOKIEFILE, "");
    const ProxyInfo proxy =
        ProxyInfo::For(static_cast<int>(network.connectionType), network.proxyServer, network.proxyPort);
    const CURLcode rc = transfer.UseProxyChoice(proxy);
    if (rc != CURLE_OK) {
        setupFailure = {FailureKind::Refused, 0, wxString("request not sent: ") + curl_easy_strerror(rc)};
        return;
    }
    if (!caFile.empty())
        TrustAlso(caFile);
}

// An authority file given to libcurl replaces its default one, so the
// system's authorities (its bundle, or on Windows its certificate store)
// and the extra file go in together, as one list in memory.
// The default folder of authorities (CAPATH), if any, stays in use.
void HttpsClient::Impl::TrustAlso(const wxString& caFile)
{
    std::string extra;
    wxString problem;
    if (ReadAuthorityFile(caFile, maxCaFileBytes, extra, problem) &&
        extra.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
        problem = "no certificate in it";
    std::string authorities;
    if (problem.empty())
        authorities = SystemAuthorities(transfer.Handle());
    authorities += "\n" + extra;
    curl_blob blob{authorities.data(), authorities.size(), CURL_BLOB_COPY};
    if (problem.empty() && curl_easy_setopt(transfer.Handle(), CURLOPT_CAINFO_BLOB, &blob) != CURLE_OK)
        problem = "libcurl cannot use it";
    if (!problem.empty())
        setupFailure = {FailureKind::Certificate, 0, "certificate authority file unusable: " + caFile + ": " + problem};
}

bool HttpsClient::Impl::BuildHeaderList(const HeaderLines& lines, bool withBody)
{
    curl_slist_free_all(headerList);
    headerList = nullptr;
    // libcurl would ask for "100 Continue" before a large body, a round trip
    // some servers never answer.
    std::vector<std::string> all;
    if (withBody)
        all.push_back("Expect:");
    for (const wxString& line : lines) {
        if (line.find_first_of("\r\n") != wxString::npos || !line.Contains(":"))
            return false;
        all.push_back(Narrow(line));
    }
    for (const std::string& line : all) {
        curl_slist* grown = curl_slist_append(headerList, line.c_str());
        if (!grown)
            return false;
        headerList = grown;
    }
    return true;
}

HttpAnswer HttpsClient::Impl::Run(const wxString& url, const std::string* body, const HeaderLines& lines)
{
    HttpAnswer answer;
    if (setupFailure.Failed()) {
        answer.failure = setupFailure;
        return answer;
    }
    const std::string target = Narrow(url);
    wxString host;
    if (!HostOf(target, host)) {
        answer.failure = {FailureKind::Refused, 0, "request not sent: not an http or https URL"};
        return answer;
    }
    if (!BuildHeaderList(lines, body != nullptr)) {
        answer.failure = {FailureKind::Refused, 0, "request not sent: a header is not one \"Name: value\" line"};
        return answer;
    }
    CURL* curl = transfer.Handle();
    bool ok = curl_easy_setopt(curl, CURLOPT_URL, target.c_str()) == CURLE_OK &&
              curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList) == CURLE_OK;
    if (body) {
        ok = ok && curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body->size())) == CURLE_OK &&
             curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body->data()) == CURLE_OK;
    } else {
        ok = ok && curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    }
    ok = ok && transfer.RouteTo(host, network.proxyUser, network.proxyPass).failed == CurlTransfer::ProxyStep::None;
    if (!ok) {
        answer.failure = {FailureKind::Refused, 0, "request not sent: libcurl refused the request's options"};
        return answer;
    }
    return Judge(transfer.Perform(), host);
}

HttpAnswer HttpsClient::Impl::Judge(const CurlTransfer::Outcome& outcome, const wxString& host)
{
    HttpAnswer answer;
    answer.status = outcome.status > 0 ? unsigned(outcome.status) : 0;
    for (const CurlTransfer::Header& header : transfer.Headers())
        answer.headers.emplace_back(Latin1(header.first), Latin1(header.second));
    answer.body = transfer.TakeBody();

    FailureKind kind = outcome.kind;
    unsigned status = answer.status;
    if (kind == FailureKind::Auth)
        status = unsigned(outcome.proxyStatus);
    if (kind == FailureKind::None && (status < 200 || status > 299))
        kind = status == 401 || status == 407 ? FailureKind::Auth : FailureKind::HttpStatus;
    if (kind != FailureKind::None)
        answer.failure = {kind, status, FailureText(kind, outcome, status, bodyCap, host)};
    return answer;
}

HttpsClient::HttpsClient(const NetworkSettings& network, const wxString& caFile)
    : impl(std::make_unique<Impl>(network))
{
    impl->SetUp(caFile);
}

HttpsClient::~HttpsClient() = default;

void HttpsClient::SetStopTest(StopTest test)
{
    impl->transfer.SetStopTest(std::move(test));
}

void HttpsClient::SetBodyCap(size_t bytes)
{
    impl->bodyCap = bytes;
    impl->transfer.SetBodyCap(bytes);
}

size_t HttpsClient::BodyCap() const
{
    return impl->bodyCap;
}

void HttpsClient::SetSpeedLimits(long seconds, long bytesPerSecond)
{
    impl->transfer.SetSpeedLimits(seconds, bytesPerSecond);
}

const RequestFailure& HttpsClient::SetupFailure() const
{
    return impl->setupFailure;
}

HttpAnswer HttpsClient::Get(const wxString& url, const HeaderLines& headers)
{
    return impl->Run(url, nullptr, headers);
}

HttpAnswer HttpsClient::Post(const wxString& url, const std::string& body, const HeaderLines& headers)
{
    return impl->Run(url, &body, headers);
}
