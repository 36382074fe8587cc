#include "net/CurlTransfer.h"

#include "net/TransferTrace.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

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

std::string Trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r\n");
    const size_t end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

}  // namespace

CurlTransfer::CurlTransfer(long maxConnections) : maxConnections(maxConnections)
{
    initResult = GlobalInit();
    if (initResult != CURLE_OK)
        return;
    easy = curl_easy_init();
    if (!easy || !NewConnectionCache()) {
        initResult = CURLE_FAILED_INIT;
        return;
    }
    SetSharedOptions();
}

CurlTransfer::~CurlTransfer()
{
    if (easy)
        curl_easy_cleanup(easy);
    if (multi)
        curl_multi_cleanup(multi);
}

// The kept-alive connections live in the multi handle's cache, so a new
// cache closes them at once. (libcurl's own pruning of a full cache drops the
// connection idle longest in whole milliseconds, which after a fast request
// can be the new one instead of the old.)
bool CurlTransfer::NewConnectionCache()
{
    if (multi)
        curl_multi_cleanup(multi);
    multi = curl_multi_init();
    if (!multi)
        return false;
    curl_multi_setopt(multi, CURLMOPT_MAXCONNECTS, maxConnections);
    return true;
}

void CurlTransfer::SetSharedOptions()
{
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    // The body is handed over exactly as received.
    curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 0L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, connectTimeoutSeconds);
    // The head a client sees is the server's, not the proxy's answer to CONNECT.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlTransfer::OnProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
}

void CurlTransfer::SetSpeedLimits(long seconds, long bytesPerSecond)
{
    stallLimit = std::max(1L, seconds);
    floorRate = std::max(1L, bytesPerSecond);
}

size_t CurlTransfer::OnBody(char* data, size_t size, size_t count, void* self)
{
    CurlTransfer& transfer = *static_cast<CurlTransfer*>(self);
    const size_t n = size * count;
    transfer.received += n;
    if (transfer.body.size() > transfer.bodyCap || n > transfer.bodyCap - transfer.body.size()) {
        transfer.tooLarge = true;
        return 0;
    }
    try {
        transfer.body.append(data, n);
    } catch (const std::bad_alloc&) {
        transfer.outOfMemory = true;
        return 0;
    }
    return n;
}

size_t CurlTransfer::OnHeader(char* data, size_t size, size_t count, void* self)
{
    CurlTransfer& transfer = *static_cast<CurlTransfer*>(self);
    const size_t n = size * count;
    transfer.answerBegun = true;
    transfer.received += n;
    const std::string line(data, n);
    // A status line starts the head of another answer (after a 100 Continue
    // or an authentication round): only the final answer's head is kept.
    if (line.compare(0, 5, "HTTP/") == 0) {
        transfer.headers.clear();
        return n;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0)
        return n;
    try {
        transfer.headers.emplace_back(Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
    } catch (const std::bad_alloc&) {
        transfer.outOfMemory = true;
        return 0;
    }
    return n;
}

void CurlTransfer::SetTrace(std::shared_ptr<HttpTrace> to)
{
    if (!easy)
        return;
    trace = to ? std::make_unique<TransferTrace>(std::move(to)) : nullptr;
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, trace ? &CurlTransfer::OnDebug : nullptr);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, trace ? 1L : 0L);
}

int CurlTransfer::OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    CurlTransfer& transfer = *static_cast<CurlTransfer*>(self);
    if (transfer.trace)
        transfer.trace->Saw(type, data, size);
    return 0;
}

int CurlTransfer::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const CurlTransfer& transfer = *static_cast<CurlTransfer*>(self);
    return transfer.stopTest && transfer.stopTest() ? 1 : 0;
}

CURLcode CurlTransfer::UseProxyChoice(const ProxyInfo& info)
{
    proxy = info;
    if (proxy.access == ProxyInfo::Access::Preconfigured)
        return CURLE_OK;
    // Direct until a request's host shows it should go through the proxy.
    CURLcode rc = curl_easy_setopt(easy, CURLOPT_PROXY, "");
    if (rc == CURLE_OK)
        rc = curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    return rc;
}

CurlTransfer::ProxySetup CurlTransfer::RouteTo(const wxString& hostName, const wxString& proxyUser,
                                               const wxString& proxyPassword)
{
    const bool viaProxy = proxy.UsesProxyFor(hostName);
    // Credentials that are empty are not set at all, so libcurl sends none.
    if (viaProxy && !proxyUser.empty()) {
        const CURLcode rc = curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, Narrow(proxyUser).c_str());
        if (rc != CURLE_OK)
            return {ProxyStep::User, rc};
    }
    if (viaProxy && !proxyPassword.empty()) {
        const CURLcode rc = curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, Narrow(proxyPassword).c_str());
        if (rc != CURLE_OK)
            return {ProxyStep::Password, rc};
    }
    if (proxy.access != ProxyInfo::Access::Preconfigured) {
        proxyText = viaProxy ? Narrow(proxy.proxyList) : std::string();
        const CURLcode rc = curl_easy_setopt(easy, CURLOPT_PROXY, proxyText.c_str());
        if (rc != CURLE_OK)
            return {ProxyStep::Proxy, rc};
    }
    return {};
}

CurlTransfer::Outcome CurlTransfer::Perform()
{
    body.clear();
    headers.clear();
    answerBegun = false;
    tooLarge = false;
    outOfMemory = false;
    tooSlow = false;
    received = 0;
    measuring = false;
    errorText[0] = '\0';

    // Before the answer begins, libcurl's own check ends a silent transfer.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallLimit);
    const long long capSeconds = static_cast<long long>(std::min<size_t>(bodyCap / size_t(floorRate), 1u << 30));
    const long long limitSeconds = connectTimeoutSeconds + stallLimit + capSeconds;
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(std::min<long long>(
                                                   limitSeconds * 1000, std::numeric_limits<long>::max())));

    Outcome outcome;
    if (trace)
        trace->Begin(easy, proxyText);
    outcome.code = RunTransfer();
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &outcome.status);
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &outcome.proxyStatus);
    outcome.answerBegun = answerBegun;
    outcome.outOfMemory = outOfMemory || outcome.code == CURLE_OUT_OF_MEMORY;
    outcome.tooSlow = tooSlow;
    // Only an answer makes libcurl speak of HTTP/0.9 or a weird reply: the
    // request was sent.
    long requestBytes = 0;
    curl_easy_getinfo(easy, CURLINFO_REQUEST_SIZE, &requestBytes);
    outcome.notHttp = outcome.code == CURLE_WEIRD_SERVER_REPLY
                      || (outcome.code == CURLE_UNSUPPORTED_PROTOCOL && requestBytes > 0);
    outcome.kind = KindOf(outcome);
    if (tooSlow)
        outcome.detail =
            "under " + std::to_string(floorRate) + " bytes a second for " + std::to_string(stallLimit) + " s";
    else if (outcome.code != CURLE_OK)
        outcome.detail = errorText[0] ? errorText : curl_easy_strerror(outcome.code);
    if (trace)
        trace->End(outcome.code, outcome.detail, body);
    return outcome;
}

// curl_easy_perform would look at the stop test only about once a second
// while the server is silent; this loop looks every stopPollMilliseconds.
CURLcode CurlTransfer::RunTransfer()
{
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
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
        if (!done && !AboveFloor()) {
            tooSlow = true;
            result = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        if (!done && curl_multi_poll(multi, nullptr, 0, stopPollMilliseconds, nullptr) != CURLM_OK)
            break;
    }
    // Removing an unfinished transfer closes its connection.
    curl_multi_remove_handle(multi, easy);
    return result;
}

// Counted in whole windows from the answer's first byte, so the time a
// server takes to begin is the stall limit's alone.
bool CurlTransfer::AboveFloor()
{
    const auto now = std::chrono::steady_clock::now();
    if (!measuring) {
        measuring = received > 0;
        windowStart = now;
        receivedAtWindowStart = received;
        return true;
    }
    if (now - windowStart < std::chrono::seconds(stallLimit))
        return true;
    const size_t floor = size_t(floorRate) * size_t(stallLimit);
    if (received - receivedAtWindowStart < floor)
        return false;
    windowStart = now;
    receivedAtWindowStart = received;
    return true;
}

FailureKind CurlTransfer::KindOf(const Outcome& outcome) const
{
    if (outcome.notHttp)
        return FailureKind::Read;
    switch (outcome.code) {
    case CURLE_OK:
        return FailureKind::None;
    case CURLE_ABORTED_BY_CALLBACK:
        return FailureKind::Stopped;
    case CURLE_WRITE_ERROR:
        return tooLarge || outOfMemory ? FailureKind::TooLarge : FailureKind::Read;
    case CURLE_OUT_OF_MEMORY:
        return FailureKind::TooLarge;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return FailureKind::Refused;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:  // no TLS handshake: not a TLS server, or none at all
        return FailureKind::Connect;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return FailureKind::Certificate;
    case CURLE_OPERATION_TIMEDOUT: {
        curl_off_t connectTime = 0;
        curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectTime);
        return !outcome.answerBegun && connectTime == 0 ? FailureKind::Connect : FailureKind::Timeout;
    }
    default:
        break;
    }
    // The proxy would not open a tunnel to the server.
    if (outcome.proxyStatus == 407)
        return FailureKind::Auth;
    if (outcome.proxyStatus >= 300)
        return FailureKind::Connect;
    return FailureKind::Read;
}

std::string CurlTransfer::TakeBody()
{
    std::string taken;
    taken.swap(body);
    return taken;
}
