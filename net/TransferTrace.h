#pragma once

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>

class HttpTrace;

// One libcurl handle's part of an HttpTrace: gathers what libcurl reports
// sending and receiving (a proxy's CONNECT included) and writes an entry
// for each request once it has gone (its head and the Content-Length it
// announced) and for each answer once it has come.
// Used by the one thread that runs the handle.
class TransferTrace
{
public:
    // How much of a text body an entry shows, and of a binary one.
    static constexpr size_t textShown = 2048;
    static constexpr size_t bytesShown = 16;

    explicit TransferTrace(std::shared_ptr<HttpTrace> trace);

    // A transfer of `handle` begins, through `proxy` ("host:port"; empty
    // when direct or left to the system).
    void Begin(CURL* handle, const std::string& proxy);
    // What libcurl's debug callback was given.
    void Saw(curl_infotype type, const char* data, size_t size);
    // The transfer ended: `code` and libcurl's words, the last answer's body.
    void End(CURLcode code, const std::string& detail, const std::string& body);

    // The lines an entry shows of a body of `size` bytes that begins with
    // `body`: its size, then the first textShown bytes of a text (secrets
    // replaced) or the first bytesShown bytes of anything else in hex.
    // Empty for no body.
    static std::string BodyLines(HttpTrace& trace, const std::string& body, size_t size,
                                 const std::string& contentType);

private:
    void WriteRequest();
    void WriteAnswer(const std::string& ending);
    long Elapsed() const;

    std::shared_ptr<HttpTrace> trace;
    CURL* handle = nullptr;
    std::string proxy;
    unsigned long number = 0;
    std::chrono::steady_clock::time_point began;
    std::string requestHead;
    std::string requestBody;  // its first bytes
    size_t requestBodySize = 0;
    size_t requestBodyAnnounced = 0;  // its Content-Length
    bool anyRequest = false;  // of this transfer written
    std::string answerHead;
};
