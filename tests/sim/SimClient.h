#pragma once

#include <curl/curl.h>

#include <map>
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
        std::vector<std::string> headers;  // the answer's header lines, without line ends

        // The value of the last header of that name (any case), empty when none.
        std::string Header(const std::string& name) const;
        bool HasHeader(const std::string& name) const;
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
    // Every later request goes over HTTPS, trusting the authorities of
    // caFile (the system's own when empty).
    void UseTls(const std::string& caFile);

    Answer Get(const std::string& host, const std::string& path,
               const std::vector<std::string>& headers = {});
    Answer Post(const std::string& host, const std::string& path, const std::string& body,
                const std::vector<std::string>& headers = {});

private:
    Answer Perform(const std::string& host, const std::string& path,
                   const std::vector<std::string>& headers);

    CURL* curl;
    std::string scheme = "http";
};

// The first IFD of a one-strip TIFF of either byte order.
struct TiffFields
{
    bool bigEndian = false;
    // Tag -> values; a RATIONAL gives numerator and denominator in turn.
    std::map<unsigned, std::vector<unsigned long>> tags;
    std::string strip;  // the bytes StripOffsets and StripByteCounts name

    unsigned long Value(unsigned tag) const;  // the first value, 0 when absent
    double Rational(unsigned tag) const;      // 0 when absent
};

// Empty tags when the bytes are no readable TIFF.
TiffFields ReadTiff(const std::string& bytes);

// The compression tag (259) of a little-endian TIFF's first IFD, 0 when unreadable.
unsigned TiffCompression(const std::string& bytes);
