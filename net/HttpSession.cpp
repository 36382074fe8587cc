#include "net/HttpSession.h"

#include "net/CurlTransfer.h"
#include "net/ProxyInfo.h"

#include <wx/mstream.h>
#include <wx/tokenzr.h>

#include <curl/curl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char* const agentText =
    "Mozilla/5.0 (Windows; U; Windows NT 5.1; en-US; rv:1.8.1.1) Gecko/20061204 Firefox/2.0.0.1";
const char* const acceptList =
    "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5";
const char* const defaultHeaderLines[] = {
    "Accept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\n",
    "Content-Type: text/xml; charset=utf-8\n",
    "Accept-Encoding: gzip,deflate\n",
    "Accept-Language: en-us,en;q=0.5\n",
    "Connection: keep-alive\n",
};

// One connection at a time: switching host closes the previous one.
const long keptConnections = 1;
// A credentials prompt that keeps answering "retry" must not loop forever.
const int maxCredentialRounds = 10;

std::string Narrow(const wxString& text)
{
    return std::string(text.utf8_str());
}

// Each non-empty line of `text`, without its line ends.
void AppendLines(const wxString& text, std::vector<std::string>& lines)
{
    wxStringTokenizer tokens(text, "\r\n", wxTOKEN_STRTOK);
    while (tokens.HasMoreTokens())
        lines.push_back(Narrow(tokens.GetNextToken()));
}

// "name" or "name:port" with a plausible host name and a port of 1..65535.
bool SplitHost(const wxString& host, wxString& name, unsigned long& port)
{
    name = host.BeforeLast(':');
    wxString portText = host.AfterLast(':');
    if (!host.Contains(":")) {
        name = host;
        portText = "80";
    }
    if (name.empty() || !portText.ToULong(&port) || port < 1 || port > 65535)
        return false;
    for (wxUniChar c : name) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                             c == '.' || c == '-' || c == '_';
        if (!allowed)
            return false;
    }
    return true;
}

// Only a plain absolute path can follow the host in the URL.
bool IsPlainPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return false;
    for (unsigned char c : path)
        if (c <= ' ' || c >= 0x7f)
            return false;
    return true;
}

// The response body owns its bytes, so no copy is made when handing it over.
struct BodyBytes
{
    std::string bytes;
};

class BodyStream : private BodyBytes, public wxMemoryInputStream
{
public:
    explicit BodyStream(std::string&& body)
        : BodyBytes{std::move(body)}, wxMemoryInputStream(bytes.data(), bytes.size())
    {
    }
};

// The session's error text for a request that was sent and failed `kind`
// (one refused before sending has a text of its own).
wxString ErrorText(FailureKind kind, const CurlTransfer::Outcome& outcome, const wxString& path)
{
    switch (kind) {
    case FailureKind::TooLarge:
        return outcome.outOfMemory ? "Out of Memory" : "Response too large";
    case FailureKind::Refused:
        return "Error requesting " + path;
    case FailureKind::Connect:
        return "Can't connect";
    case FailureKind::Auth:
        return outcome.status == 407 ? "Proxy Authentication Error" : "Server Authentication Error";
    case FailureKind::Empty:
    case FailureKind::HttpStatus:
        // Only an answer without a body fails the request.
        return "Empty Stream";
    default:
        break;
    }
    // Failing once the answer has begun is a read failure; before, a send failure.
    if (outcome.answerBegun)
        return wxString::Format("Error %u in WinINetReadData.", unsigned(outcome.code));
    return "Error sending request";
}

}  // namespace

struct HttpSession::Impl
{
    CurlTransfer transfer{keptConnections};
    curl_slist* headerList = nullptr;
    std::vector<std::string> headerLines;  // kept for every request
    wxString proxyUser;
    wxString proxyPassword;
    unsigned statusCode = 0;
    bool ready = true;
    wxString error;
    RequestFailure failure;

    bool connected = false;
    wxString hostName;
    std::string urlBase;

    CredentialsPrompt credentialsPrompt;
    wxString serverUser;
    wxString serverPassword;

    ~Impl() { curl_slist_free_all(headerList); }

    bool Open(int connectionType, const wxString& proxyServer, const wxString& proxyPort);
    bool RouteThroughProxy(const wxString& path);
    bool BuildHeaderList(const std::vector<wxString>& requestHeaders);
    bool Prepare(const std::string& path, const std::vector<wxString>& requestHeaders);
    bool AskCredentials(bool proxy);
    void ForgetServerCredentials();
    void Fail(FailureKind kind, const wxString& text, unsigned httpStatus = 0);
};

void HttpSession::Impl::Fail(FailureKind kind, const wxString& text, unsigned httpStatus)
{
    failure = {kind, httpStatus, text};
    error = text;
}

bool HttpSession::Impl::Open(int connectionType, const wxString& proxyServer, const wxString& proxyPort)
{
    const CURLcode init = transfer.InitResult();
    if (init != CURLE_OK) {
        error = wxString::Format("Can't Initialize HTTP Error %u", unsigned(init));
        return false;
    }
    curl_easy_setopt(transfer.Handle(), CURLOPT_USERAGENT, agentText);
    transfer.SetBodyCap(maxBodySize);
    const CURLcode rc = transfer.UseProxyChoice(ProxyInfo::For(connectionType, proxyServer, proxyPort));
    if (rc != CURLE_OK) {
        error = wxString::Format("Error %u setting proxy", unsigned(rc));
        return false;
    }
    return true;
}

bool HttpSession::Impl::RouteThroughProxy(const wxString& path)
{
    const CurlTransfer::ProxySetup setup = transfer.RouteTo(hostName, proxyUser, proxyPassword);
    switch (setup.failed) {
    case CurlTransfer::ProxyStep::None:
        return true;
    case CurlTransfer::ProxyStep::User:
        Fail(FailureKind::Refused, wxString::Format("Error %u settings user to %s", unsigned(setup.code), proxyUser));
        break;
    case CurlTransfer::ProxyStep::Password:
        Fail(FailureKind::Refused, wxString::Format("Error %u settings password", unsigned(setup.code)));
        break;
    case CurlTransfer::ProxyStep::Proxy:
        Fail(FailureKind::Refused, "Error requesting " + path);
        break;
    }
    return false;
}

bool HttpSession::Impl::BuildHeaderList(const std::vector<wxString>& requestHeaders)
{
    std::vector<std::string> lines = headerLines;
    for (const wxString& header : requestHeaders)
        AppendLines(header, lines);
    curl_slist_free_all(headerList);
    headerList = curl_slist_append(nullptr, (std::string("Accept: ") + acceptList).c_str());
    for (auto line = lines.begin(); headerList && line != lines.end(); ++line) {
        curl_slist* grown = curl_slist_append(headerList, line->c_str());
        if (!grown)
            curl_slist_free_all(headerList);
        headerList = grown;
    }
    return headerList != nullptr;
}

bool HttpSession::Impl::Prepare(const std::string& path, const std::vector<wxString>& requestHeaders)
{
    if (!IsPlainPath(path) || !BuildHeaderList(requestHeaders))
        return false;
    CURL* curl = transfer.Handle();
    const std::string url = urlBase + path;
    return curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList) == CURLE_OK &&
           curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK;
}

bool HttpSession::Impl::AskCredentials(bool proxy)
{
    if (!credentialsPrompt)
        return false;
    wxString& user = proxy ? proxyUser : serverUser;
    wxString& password = proxy ? proxyPassword : serverPassword;
    if (!credentialsPrompt(proxy, user, password))
        return false;
    const std::string u = Narrow(user);
    const std::string p = Narrow(password);
    CURL* curl = transfer.Handle();
    if (proxy) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, u.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, p.c_str());
    } else {
        curl_easy_setopt(curl, CURLOPT_USERNAME, u.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, p.c_str());
    }
    return true;
}

// Credentials a server asked for are not offered to the next host.
void HttpSession::Impl::ForgetServerCredentials()
{
    serverUser.clear();
    serverPassword.clear();
    curl_easy_setopt(transfer.Handle(), CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(transfer.Handle(), CURLOPT_PASSWORD, nullptr);
}

HttpSession::HttpSession(int connectionType, const wxString& proxyServer, const wxString& proxyPort,
                         const wxString& proxyUser, const wxString& proxyPassword)
    : impl(std::make_unique<Impl>())
{
    impl->proxyUser = proxyUser;
    impl->proxyPassword = proxyPassword;
    if (!impl->Open(connectionType, proxyServer, proxyPort)) {
        impl->ready = false;
        return;
    }
    for (const char* line : defaultHeaderLines)
        AddHeader(line);
}

HttpSession::~HttpSession() = default;

bool HttpSession::IsReady() const
{
    return impl->ready;
}

bool HttpSession::Connect(const wxString& host)
{
    Impl& s = *impl;
    s.connected = false;
    wxString name;
    unsigned long port = 80;
    if (!s.transfer.Handle() || !SplitHost(host, name, port)) {
        s.Fail(FailureKind::Refused, "Can't connect");
        return false;
    }
    if (name != s.hostName)
        s.ForgetServerCredentials();
    const std::string urlBase = Narrow(wxString::Format("http://%s:%lu", name, port));
    if (urlBase != s.urlBase && !s.urlBase.empty() && !s.transfer.NewConnectionCache()) {
        s.Fail(FailureKind::Refused, "Can't connect");
        return false;
    }
    s.hostName = name;
    s.urlBase = urlBase;
    s.connected = true;
    s.failure = RequestFailure();
    return true;
}

bool HttpSession::AddHeader(const wxString& line)
{
    // Split once here rather than on every request.
    AppendLines(line, impl->headerLines);
    return true;
}

std::unique_ptr<wxInputStream> HttpSession::Request(const wxString& path,
                                                    const std::vector<wxString>& requestHeaders)
{
    Impl& s = *impl;
    if (!s.connected) {
        s.Fail(FailureKind::Refused, "Not Connected");
        return nullptr;
    }
    if (!s.RouteThroughProxy(path))
        return nullptr;
    if (!s.Prepare(Narrow(path), requestHeaders)) {
        s.Fail(FailureKind::Refused, "Error requesting " + path);
        return nullptr;
    }
    CurlTransfer::Outcome outcome;
    for (int round = 0;; ++round) {
        outcome = s.transfer.Perform();
        // No status at all leaves the last one in place.
        if (outcome.status > 0)
            s.statusCode = unsigned(outcome.status);
        if (outcome.kind != FailureKind::None) {
            s.Fail(outcome.kind, ErrorText(outcome.kind, outcome, path), unsigned(std::max(0L, outcome.status)));
            return nullptr;
        }
        if (outcome.status != 401 && outcome.status != 407)
            break;
        if (round >= maxCredentialRounds || !s.AskCredentials(outcome.status == 407)) {
            s.Fail(FailureKind::Auth, ErrorText(FailureKind::Auth, outcome, path), s.statusCode);
            return nullptr;
        }
    }
    const unsigned status = s.statusCode;
    std::string body = s.transfer.TakeBody();
    if (body.empty()) {
        const FailureKind kind = status == 200 ? FailureKind::Empty : FailureKind::HttpStatus;
        s.Fail(kind, ErrorText(kind, outcome, path), status);
        return nullptr;
    }
    // A body is handed over whatever the status; the caller judges it.
    if (status == 200)
        s.failure = RequestFailure();
    else
        s.failure = {FailureKind::HttpStatus, status, wxString::Format("server answered %u", status)};
    return std::make_unique<BodyStream>(std::move(body));
}

unsigned HttpSession::GetStatusCode() const
{
    return impl->statusCode;
}

wxString HttpSession::GetError() const
{
    return impl->error;
}

const RequestFailure& HttpSession::GetFailure() const
{
    return impl->failure;
}

bool HttpSession::Answered() const
{
    const FailureKind kind = impl->failure.kind;
    return kind == FailureKind::None || kind == FailureKind::HttpStatus || kind == FailureKind::Empty;
}

wxString HttpSession::EncodePathText(const wxString& text)
{
    wxString encoded;
    wxStringTokenizer segments(text, "/", wxTOKEN_RET_EMPTY_ALL);
    while (segments.HasMoreTokens()) {
        const std::string segment = Narrow(segments.GetNextToken());
        // libcurl ignores the handle here.
        char* escaped = curl_easy_escape(nullptr, segment.data(), static_cast<int>(segment.size()));
        if (!escaped)
            return wxString();
        encoded += wxString::FromUTF8(escaped);
        curl_free(escaped);
        if (segments.GetLastDelimiter() == '/')
            encoded += '/';
    }
    return encoded;
}

void HttpSession::SetStopTest(StopTest stopTest)
{
    impl->transfer.SetStopTest(std::move(stopTest));
}

void HttpSession::SetCredentialsPrompt(CredentialsPrompt prompt)
{
    impl->credentialsPrompt = std::move(prompt);
}

void HttpSession::SetTrace(std::shared_ptr<HttpTrace> trace)
{
    impl->transfer.SetTrace(std::move(trace));
}
