#pragma once

#include "net/ProxyInfo.h"
#include "net/RequestFailure.h"

#include <wx/string.h>

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class HttpTrace;
class TransferTrace;

// The libcurl core of the HTTP clients: one easy handle with a connection
// cache of its own (so connections stay alive between requests), the
// options every request shares, a transfer loop that sees the stop test
// within about 100 ms, a cap on the body, limits on the time a transfer may
// take, the answer's headers, and the proxy choice of the network settings.
// The clients add their own request options through Handle() and turn an
// Outcome into their texts.
class CurlTransfer
{
public:
    using StopTest = std::function<bool()>;
    using Header = std::pair<std::string, std::string>;

    static constexpr long connectTimeoutSeconds = 30;
    // A transfer that receives nothing for this long counts as broken; once
    // its answer has begun, so does one that receives fewer than
    // floorBytesPerSecond on average over this long, which every real
    // server exceeds and a server that drips its answer does not.
    static constexpr long stallSeconds = 60;
    static constexpr long floorBytesPerSecond = 1024;
    // How often a transfer looks at the stop test even when nothing arrives.
    static constexpr long stopPollMilliseconds = 100;
    // Bodies larger than this are refused unless the client sets its own cap,
    // so a hostile server cannot exhaust memory with an endless answer.
    static constexpr size_t defaultBodyCap = 256u * 1024 * 1024;

    // How one transfer ended.
    struct Outcome
    {
        CURLcode code = CURLE_OK;
        // None when an answer came, whatever its status; the clients judge the status.
        FailureKind kind = FailureKind::None;
        long status = 0;           // the answer's status, 0 when none came
        long proxyStatus = 0;      // the proxy's answer to CONNECT, 0 when none came
        bool answerBegun = false;  // some of the answer's head had arrived
        bool outOfMemory = false;
        bool tooSlow = false;      // ended under the floor rate (kind Timeout)
        bool notHttp = false;      // the server's answer to a sent request was no HTTP (kind Read)
        std::string detail;        // libcurl's own words on a failure
    };

    // Which step of routing a request through the proxy failed.
    enum class ProxyStep { None, Proxy, User, Password };
    struct ProxySetup
    {
        ProxyStep failed = ProxyStep::None;
        CURLcode code = CURLE_OK;
    };

    // `maxConnections` kept alive at once.
    explicit CurlTransfer(long maxConnections);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // CURLE_OK when the handles were made.
    CURLcode InitResult() const { return initResult; }
    CURL* Handle() const { return easy; }
    // Drops every kept-alive connection.
    bool NewConnectionCache();

    void SetStopTest(StopTest test) { stopTest = std::move(test); }
    // Also sets the longest a transfer may take: the time the body cap
    // takes at the floor rate, plus the connection's and one stall's time.
    void SetBodyCap(size_t bytes) { bodyCap = bytes; }
    // Every later request and answer is written to `trace`; null for none.
    void SetTrace(std::shared_ptr<HttpTrace> trace);
    // The stall limit and the floor rate; tests shorten them, so that a
    // slow server does not cost a real minute.
    void SetSpeedLimits(long seconds, long bytesPerSecond);

    // The proxy choice for every later request. An explicit choice (direct,
    // or a proxy) overrules the environment's proxy variables and no_proxy:
    // the bypass is decided by `info` alone.
    CURLcode UseProxyChoice(const ProxyInfo& info);
    // Sends the next request to `hostName` directly or through the proxy,
    // the proxy with whichever of the credentials are not empty.
    ProxySetup RouteTo(const wxString& hostName, const wxString& proxyUser, const wxString& proxyPassword);

    // Runs the request set up on Handle().
    Outcome Perform();

    // The last answer's body (moved out) and head ("Name", "value" in order,
    // of the final answer only).
    std::string TakeBody();
    const std::vector<Header>& Headers() const { return headers; }

private:
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static int OnDebug(CURL* handle, curl_infotype type, char* data, size_t size, void* self);

    void SetSharedOptions();
    CURLcode RunTransfer();
    // False once the answer, begun, has come slower than the floor rate.
    bool AboveFloor();
    FailureKind KindOf(const Outcome& outcome) const;

    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    CURLcode initResult = CURLE_OK;
    long maxConnections;
    ProxyInfo proxy;
    std::string proxyText;
    StopTest stopTest;
    size_t bodyCap = defaultBodyCap;
    long stallLimit = stallSeconds;
    long floorRate = floorBytesPerSecond;
    char errorText[CURL_ERROR_SIZE] = {};
    std::unique_ptr<TransferTrace> trace;

    // The transfer in flight.
    std::string body;
    std::vector<Header> headers;
    bool answerBegun = false;
    bool tooLarge = false;
    bool outOfMemory = false;
    bool tooSlow = false;
    size_t received = 0;  // bytes of head and body
    bool measuring = false;
    std::chrono::steady_clock::time_point windowStart;
    size_t receivedAtWindowStart = 0;
};
