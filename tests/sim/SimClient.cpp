#include "SimClient.h"

namespace {

size_t Append(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

unsigned Read16(const std::string& b, size_t at)
{
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}

unsigned long Read32(const std::string& b, size_t at)
{
    return Read16(b, at) | static_cast<unsigned long>(Read16(b, at + 2)) << 16;
}

}  // namespace

SimClient::SimClient() : curl(curl_easy_init())
{
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 10000L);
    // Never let a proxy of the environment see the loopback requests.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
}

SimClient::~SimClient()
{
    curl_easy_cleanup(curl);
}

void SimClient::UseProxy(const std::string& proxy, const std::string& userPassword)
{
    curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, userPassword.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
}

void SimClient::FreshConnections()
{
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
}

void SimClient::TimeoutMs(long ms)
{
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, ms);
}

SimClient::Answer SimClient::Get(const std::string& host, const std::string& path,
                                 const std::vector<std::string>& headers)
{
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    return Perform(host, path, headers);
}

SimClient::Answer SimClient::Post(const std::string& host, const std::string& path,
                                  const std::string& body)
{
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, body.c_str());
    return Perform(host, path, {});
}

SimClient::Answer SimClient::Perform(const std::string& host, const std::string& path,
                                     const std::vector<std::string>& headers)
{
    Answer answer;
    std::string url = "http://" + host + path;
    curl_slist* list = nullptr;
    for (const auto& h : headers)
        list = curl_slist_append(list, h.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    answer.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);
    return answer;
}

unsigned TiffCompression(const std::string& bytes)
{
    if (bytes.size() < 8 || bytes.compare(0, 4, std::string("II*\0", 4)) != 0)
        return 0;
    unsigned long ifd = Read32(bytes, 4);
    if (ifd > bytes.size() || bytes.size() - ifd < 2)
        return 0;
    unsigned entries = Read16(bytes, ifd);
    for (unsigned i = 0; i < entries; ++i) {
        size_t at = ifd + 2 + 12 * static_cast<size_t>(i);
        if (at + 12 > bytes.size())
            return 0;
        if (Read16(bytes, at) == 259)
            return Read16(bytes, at + 8);
    }
    return 0;
}
