#pragma once

#include <wx/file.h>
#include <wx/string.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The file a user sends us when a download fails: every request and answer
// of the HTTP clients of one run, written as each happens. Each entry goes
// out in one write under a lock, so entries of several job threads never
// mix. Every secret is replaced by "***" before anything is written: the
// values of authorization headers (and the credentials inside Basic ones),
// X-Access-Token headers, requestToken and access_token URL parameters,
// access_token values of JSON answers, credentials inside URLs, and every
// value once learnt from one of these wherever it shows up again. One trace
// is shared by every client of the run (through NetworkSettings); a failed
// write is dropped, never a failed download.
class HttpTrace
{
public:
    // Opens `path` for appending (created readable by the user alone) and
    // writes the run's first line; null, with a one-line `error`, when it
    // cannot be opened.
    static std::shared_ptr<HttpTrace> Open(const wxString& path, wxString& error);

    HttpTrace(const HttpTrace&) = delete;
    HttpTrace& operator=(const HttpTrace&) = delete;

    // The number of a new transfer: its request and answer entries carry it.
    unsigned long NewTransfer() { return ++transfers; }

    // Writes one entry: "[+SECONDS] #TRANSFER HEADING" and the lines of
    // `text`, indented, with every secret replaced.
    void Write(unsigned long transfer, const std::string& heading, const std::string& text);

    // `text` with every secret replaced; the values replaced are learnt and
    // replaced wherever they appear later.
    std::string Redact(const std::string& text);

private:
    explicit HttpTrace(int fd);

    void Learn(const std::string& secret);
    void LearnCredentials(const std::string& base64);

    std::mutex mutex;
    wxFile file;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::atomic<unsigned long> transfers{0};
    std::vector<std::string> learnt;  // guarded by `mutex`
};
