#pragma once

#include "net/RequestFailure.h"

#include <wx/stream.h>
#include <wx/string.h>

#include <functional>
#include <memory>
#include <vector>

class HttpTrace;

// One HTTP connection to one host, one request at a time, over a single
// reused libcurl handle so the connection stays alive between requests.
// Failures are reported by the result plus GetError() and GetFailure();
// nothing throws.
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
    // A line kept for every later request of the session.
    bool AddHeader(const wxString& line);
    // The whole body as an in-memory stream, or null (see GetError()).
    // `requestHeaders` are sent with this request only, after the kept lines.
    std::unique_ptr<wxInputStream> Request(const wxString& path,
                                           const std::vector<wxString>& requestHeaders = {});
    unsigned GetStatusCode() const;
    wxString GetError() const;
    // How the last Connect or Request failed: kind None after a successful
    // Connect and after a request answered 200 with a body. Any other status
    // is HttpStatus (the stream still holds its body), a 200 without a body
    // Empty, a 401 or 407 without new credentials Auth.
    const RequestFailure& GetFailure() const;
    // True when the last Request got the server's whole answer, also one
    // that gave no stream because its body was empty; false when no answer
    // came (or only a demand for credentials that were not given).
    bool Answered() const;

    // `text` made fit to stand in a request path: every byte of its UTF-8
    // form other than a letter, a digit, "-", ".", "_", "~" or "/" becomes
    // %XX, so the server decodes exactly `text`.
    static wxString EncodePathText(const wxString& text);

    // Polled about once a second while a request runs; true aborts it.
    void SetStopTest(StopTest stopTest);
    void SetCredentialsPrompt(CredentialsPrompt prompt);
    // Every later request and answer is written to `trace`; null for none.
    void SetTrace(std::shared_ptr<HttpTrace> trace);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
