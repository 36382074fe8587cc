#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

// A libcurl easy handle kept across requests, so that they share one
// keep-alive connection the way the program's sessions do.
class SimClient
{
public:
    struct Answer
    {
        CURLcode code = CURLE_OK;
        long status = 0;
        std::string body;
    };

    SimClient();
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    // Every later request goes through this proxy ("host:port") with these credentials.
    void UseProxy(const std::string& proxy, const std::string& userPassword);
    // Every later request opens a connection of its own.
    void FreshConnections();
    void TimeoutMs(long ms);

    Answer Get(const std::string& host, const std::string& path,
               const std::vector<std::string>& headers = {});
    Answer Post(const std::string& host, const std::string& path, const std::string& body);

private:
    Answer Perform(const std::string& host, const std::string& path,
                   const std::vector<std::string>& headers);

    CURL* curl;
};

// The compression tag (259) of a little-endian TIFF's first IFD, 0 when unreadable.
unsigned TiffCompression(const std::string& bytes);
