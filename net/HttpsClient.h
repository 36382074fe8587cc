#pragma once

#include "net/HttpAnswer.h"
#include "settings/NetworkSettings.h"

#include <wx/string.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// An HTTP client for today's services: http:// and https:// URLs, the
// server's certificate checked against the system's authorities and those of
// an optional PEM file, the connection type and proxy of the network settings
// (HTTPS goes through an HTTP proxy by CONNECT, hosts without a dot bypass
// it), connections kept alive between requests, a stop test seen within about
// 100 ms, a 60 s stall limit, a floor rate once the answer has begun (1 KB/s
// averaged over 60 s), a cap on the body and on the time it may take at that
// rate. Cookies a server sets
// are sent back to it for as long as the client lives. Redirects are not
// followed. One client serves one thread; nothing throws.
class HttpsClient
{
public:
    using StopTest = std::function<bool()>;
    // "Name: value" lines sent with one request. A line names a header
    // libcurl would send ("User-Agent: x") to replace it, or with nothing
    // after the colon ("Accept:") to drop it.
    using HeaderLines = std::vector<wxString>;

    static constexpr size_t defaultBodyCap = 256u * 1024 * 1024;

    // `network` is copied: the client never reads settings that change
    // later; its trace, when it has one, records every request. `caFile`
    // names a PEM file of authorities trusted besides the system's; empty for
    // none. A file that cannot be used (not a regular file, over
    // maxCaFileBytes, unreadable, without a certificate) fails every request
    // with SetupFailure().
    static constexpr size_t maxCaFileBytes = 8u * 1024 * 1024;
    explicit HttpsClient(const NetworkSettings& network, const wxString& caFile = wxString());
    ~HttpsClient();
    HttpsClient(const HttpsClient&) = delete;
    HttpsClient& operator=(const HttpsClient&) = delete;

    // Asked about every 100 ms while a request runs; true ends it (kind Stopped).
    void SetStopTest(StopTest test);
    // A body larger than this ends the request (kind TooLarge).
    void SetBodyCap(size_t bytes);
    size_t BodyCap() const;
    // The stall limit and the floor rate (see CurlTransfer); for tests.
    void SetSpeedLimits(long seconds, long bytesPerSecond);
    // Why every request of this client fails before it is sent (kind
    // Refused or Certificate, one line), or kind None.
    const RequestFailure& SetupFailure() const;

    // The answer's failure kind is None for a 2xx status, Auth for 401 and
    // 407, HttpStatus for any other status; the answer keeps what came.
    HttpAnswer Get(const wxString& url, const HeaderLines& headers = {});
    // Sends `body` as it is; without a Content-Type line it goes as
    // application/x-www-form-urlencoded.
    HttpAnswer Post(const wxString& url, const std::string& body, const HeaderLines& headers = {});

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
