#include "net/HttpSession.h"

#include "net/ProxyInfo.h"

#include <wx/mstream.h>
#include <wx/tokenzr.h>

#include <curl/curl.h>

#include <new>
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

const long connectTimeoutSeconds = 30;
// A request that receives nothing for this long counts as a broken connection.
const long idleTimeoutSeconds = 60;
// How often a transfer looks at the stop test even when nothing arrives.
const long stopPollMilliseconds = 100;
// A credentials prompt that keeps answering "retry" must not loop forever.
const int maxCredentialRounds = 10;

CURLcode GlobalInit()
{
    // Function-local static: initialised once, thread-safely, before any handle.
    static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
    return rc;
}

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

}  // namespace

struct HttpSession::Impl
{
    CURLM* multi = nullptr;  // holds the kept-alive connection between requests
    CURL* curl = nullptr;
    curl_slist* headerList = nullptr;
    std::string postData;
    std::vector<std::string> headerLines;  // kept for every request
    wxString proxyUser;
    wxString proxyPassword;
    wxString proxyServer;
    wxString proxyPort;
    int connectionType = 0;
    unsigned statusCode = 0;
    bool answered = false;
    bool ready = true;
    wxString error;
    ProxyInfo proxyInfo;

    bool connected = false;
    wxString hostName;
    std::string urlBase;

    StopTest stopTest;
    CredentialsPrompt credentialsPrompt;
    wxString serverUser;
    wxString serverPassword;

    // State of the request in flight.
    std::string body;
    bool headersSeen = false;
    bool tooLarge = false;
    bool outOfMemory = false;

    ~Impl()
    {
        curl_slist_free_all(headerList);
        if (curl)
            curl_easy_cleanup(curl);
        if (multi)
            curl_multi_cleanup(multi);
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    bool Open();
    bool NewConnectionCache();
    bool ApplyProxy();
    bool SetProxyCredentials();
    bool BuildHeaderList(const std::vector<wxString>& requestHeaders);
    bool Prepare(const std::string& path, const std::vector<wxString>& requestHeaders);
    CURLcode Perform();
    CURLcode Transfer();
    bool AskCredentials(bool proxy);
    void ForgetServerCredentials();
    wxString FailureText(CURLcode rc, const wxString& path) const;
};

size_t HttpSession::Impl::OnBody(char* data, size_t size, size_t count, void* self)
{
    Impl& impl = *static_cast<Impl*>(self);
    const size_t n = size * count;
    if (n > maxBodySize - impl.body.size()) {
        impl.tooLarge = true;
        return 0;
    }
    try {
        impl.body.append(data, n);
    } catch (const std::bad_alloc&) {
        impl.outOfMemory = true;
        return 0;
    }
    return n;
}

size_t HttpSession::Impl::OnHeader(char*, size_t size, size_t count, void* self)
{
    static_cast<Impl*>(self)->headersSeen = true;
    return size * count;
}

int HttpSession::Impl::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const Impl& impl = *static_cast<Impl*>(self);
    return impl.stopTest && impl.stopTest() ? 1 : 0;
}

// The kept-alive connection lives in the multi handle's cache, so a new
// cache closes it at once. (libcurl's own pruning of a full cache drops the
// connection idle longest in whole milliseconds, which after a fast request
// can be the new one instead of the old.)
bool HttpSession::Impl::NewConnectionCache()
{
    if (multi)
        curl_multi_cleanup(multi);
    multi = curl_multi_init();
    if (!multi)
        return false;
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, 1L);
    return true;
}

bool HttpSession::Impl::Open()
{
    CURLcode rc = GlobalInit();
    if (rc == CURLE_OK) {
        curl = curl_easy_init();
        if (!curl || !NewConnectionCache())
            rc = CURLE_FAILED_INIT;
    }
    if (rc != CURLE_OK) {
        error = wxString::Format("Can't Initialize HTTP Error %u", unsigned(rc));
        return false;
    }
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agentText);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    // The body is handed over exactly as received.
    curl_easy_setopt(curl, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, idleTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Impl::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    return true;
}

bool HttpSession::Impl::ApplyProxy()
{
    proxyInfo = ProxyInfo::For(connectionType, proxyServer, proxyPort);
    if (proxyInfo.access == ProxyInfo::Access::Preconfigured)
        return true;
    // Direct until a request's host shows it should go through the proxy.
    // The bypass is decided here alone: a no_proxy of the environment must
    // not send a request past the configured proxy.
    CURLcode rc = curl_easy_setopt(curl, CURLOPT_PROXY, "");
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    if (rc != CURLE_OK) {
        error = wxString::Format("Error %u setting proxy", unsigned(rc));
        return false;
    }
    return true;
}

bool HttpSession::Impl::SetProxyCredentials()
{
    if (!proxyUser.empty()) {
        const CURLcode rc = curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, Narrow(proxyUser).c_str());
        if (rc != CURLE_OK) {
            error = wxString::Format("Error %u settings user to %s", unsigned(rc), proxyUser);
            return false;
        }
    }
    if (!proxyPassword.empty()) {
        const CURLcode rc = curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, Narrow(proxyPassword).c_str());
        if (rc != CURLE_OK) {
            error = wxString::Format("Error %u settings password", unsigned(rc));
            return false;
        }
    }
    return true;
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
    if (headerList && !postData.empty())
        headerList = curl_slist_append(headerList, "Expect:");
    return headerList != nullptr;
}

bool HttpSession::Impl::Prepare(const std::string& path, const std::vector<wxString>& requestHeaders)
{
    if (!IsPlainPath(path) || !BuildHeaderList(requestHeaders))
        return false;
    const std::string url = urlBase + path;
    bool ok = curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) == CURLE_OK &&
              curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList) == CURLE_OK;
    if (postData.empty()) {
        ok = ok && curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    } else {
        ok = ok && curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(postData.size())) == CURLE_OK &&
             curl_easy_setopt(curl, CURLOPT_POSTFIELDS, postData.data()) == CURLE_OK;
    }
    if (proxyInfo.access != ProxyInfo::Access::Preconfigured) {
        const std::string proxy = proxyInfo.UsesProxyFor(hostName) ? Narrow(proxyInfo.proxyList) : "";
        ok = ok && curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str()) == CURLE_OK;
    }
    return ok;
}

CURLcode HttpSession::Impl::Perform()
{
    body.clear();
    headersSeen = false;
    tooLarge = false;
    outOfMemory = false;
    const CURLcode rc = Transfer();
    long status = 0;
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status > 0)
        statusCode = unsigned(status);
    return rc;
}

// curl_easy_perform would look at the stop test only about once a second
// while the server is silent; this loop looks every stopPollMilliseconds.
CURLcode HttpSession::Impl::Transfer()
{
    if (curl_multi_add_handle(multi, curl) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_SEND_ERROR;
    for (bool done = false; !done;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            break;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                done = true;
            }
        }
        if (!done && stopTest && stopTest()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (!done && curl_multi_poll(multi, nullptr, 0, stopPollMilliseconds, nullptr) != CURLM_OK)
            break;
    }
    // Removing an unfinished transfer closes its connection.
    curl_multi_remove_handle(multi, curl);
    return result;
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
    curl_easy_setopt(curl, CURLOPT_USERNAME, nullptr);
    curl_easy_setopt(curl, CURLOPT_PASSWORD, nullptr);
}

wxString HttpSession::Impl::FailureText(CURLcode rc, const wxString& path) const
{
    switch (rc) {
    case CURLE_WRITE_ERROR:
        if (tooLarge)
            return "Response too large";
        if (outOfMemory)
            return "Out of Memory";
        break;
    case CURLE_OUT_OF_MEMORY:
        return "Out of Memory";
    case CURLE_URL_MALFORMAT:
        return "Error requesting " + path;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return "Can't connect";
    case CURLE_OPERATION_TIMEDOUT: {
        curl_off_t connectTime = 0;
        curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectTime);
        if (!headersSeen && connectTime == 0)
            return "Can't connect";
        break;
    }
    default:
        break;
    }
    // Failing once the answer has begun is a read failure; before, a send failure.
    if (headersSeen)
        return wxString::Format("Error %u in WinINetReadData.", unsigned(rc));
    return "Error sending request";
}

HttpSession::HttpSession(int connectionType, const wxString& proxyServer, const wxString& proxyPort,
                         const wxString& proxyUser, const wxString& proxyPassword)
    : impl(std::make_unique<Impl>())
{
    impl->connectionType = connectionType;
    impl->proxyServer = proxyServer;
    impl->proxyPort = proxyPort;
    impl->proxyUser = proxyUser;
    impl->proxyPassword = proxyPassword;
    if (!impl->Open() || !impl->ApplyProxy()) {
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
    impl->connected = false;
    wxString name;
    unsigned long port = 80;
    if (!impl->curl || !SplitHost(host, name, port)) {
        impl->error = "Can't connect";
        return false;
    }
    if (name != impl->hostName)
        impl->ForgetServerCredentials();
    const std::string urlBase = Narrow(wxString::Format("http://%s:%lu", name, port));
    // One connection at a time: switching host closes the previous one.
    if (urlBase != impl->urlBase && !impl->urlBase.empty() && !impl->NewConnectionCache()) {
        impl->error = "Can't connect";
        return false;
    }
    impl->hostName = name;
    impl->urlBase = urlBase;
    impl->connected = true;
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
    s.answered = false;
    if (!s.connected) {
        s.error = "Not Connected";
        return nullptr;
    }
    if (s.proxyInfo.UsesProxyFor(s.hostName) && !s.SetProxyCredentials())
        return nullptr;
    if (!s.Prepare(Narrow(path), requestHeaders)) {
        s.error = "Error requesting " + path;
        return nullptr;
    }
    for (int round = 0;; ++round) {
        const CURLcode rc = s.Perform();
        if (rc != CURLE_OK) {
            s.error = s.FailureText(rc, path);
            return nullptr;
        }
        if (s.statusCode != 401 && s.statusCode != 407)
            break;
        const bool proxy = s.statusCode == 407;
        if (round >= maxCredentialRounds || !s.AskCredentials(proxy)) {
            s.error = proxy ? "Proxy Authentication Error" : "Server Authentication Error";
            return nullptr;
        }
    }
    s.answered = true;
    if (s.body.empty()) {
        s.error = "Empty Stream";
        return nullptr;
    }
    std::string body;
    body.swap(s.body);
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

bool HttpSession::Answered() const
{
    return impl->answered;
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
    impl->stopTest = std::move(stopTest);
}

void HttpSession::SetCredentialsPrompt(CredentialsPrompt prompt)
{
    impl->credentialsPrompt = std::move(prompt);
}
