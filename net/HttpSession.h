#pragma once

#include <wx/stream.h>
#include <wx/string.h>

#include <functional>
#include <memory>

// One HTTP connection to one host, one request at a time, over a single
// reused libcurl handle so the connection stays alive between requests.
// Failures are reported by the result plus GetError(); nothing throws.
class HttpSession
{
public:
    // Returns true when the user supplied new credentials and the request
    // should be sent again; `proxy` tells whether the proxy (407) asked.
    using CredentialsPrompt = std::function<bool(bool proxy, wxString& user, wxString& password)>;
    using StopTest = std::function<bool()>;

    // Bodies larger than this are refused, so a hostile server cannot
    // exhaust memory with an endless answer.
    static constexpr size_t maxBodySize = 256u * 1024 * 1024;

    HttpSession(int connectionType, const wxString& proxyServer, const wxString& proxyPort,
                const wxString& proxyUser, const wxString& proxyPassword);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    bool IsReady() const;
    // `host` may carry ":port"; port 80 otherwise.
    bool Connect(const wxString& host);
    bool AddHeader(const wxString& line);
    // The whole body as an in-memory stream, or null (see GetError()).
    std::unique_ptr<wxInputStream> Request(const wxString& path);
    unsigned GetStatusCode() const;
    wxString GetError() const;

    // Polled about once a second while a request runs; true aborts it.
    void SetStopTest(StopTest stopTest);
    void SetCredentialsPrompt(CredentialsPrompt prompt);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
