#include "SimClient.h"

#include <strings.h>

namespace {

size_t Append(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

size_t AppendHeader(char* data, size_t size, size_t count, void* target)
{
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (!line.empty())
        static_cast<std::vector<std::string>*>(target)->push_back(line);
    return size * count;
}

class TiffBytes
{
public:
    TiffBytes(const std::string& bytes, bool bigEndian) : b(bytes), big(bigEndian) {}

    bool Has(size_t at, size_t length) const { return at <= b.size() && b.size() - at >= length; }

    unsigned long Read(size_t at, unsigned width) const
    {
        unsigned long value = 0;
        for (unsigned i = 0; i < width; ++i) {
            unsigned long byte = static_cast<unsigned char>(b[at + i]);
            value |= big ? byte << 8 * (width - 1 - i) : byte << 8 * i;
        }
        return value;
    }

private:
    const std::string& b;
    bool big;
};

// The values of one IFD entry at `at`; empty for types other than SHORT, LONG and RATIONAL.
std::vector<unsigned long> EntryValues(const TiffBytes& t, size_t at)
{
    unsigned type = t.Read(at + 2, 2);
    unsigned long count = t.Read(at + 4, 4);
    unsigned width = type == 3 ? 2 : 4;
    unsigned long items = type == 5 ? count * 2 : count;
    if ((type != 3 && type != 4 && type != 5) || items > 1024)
        return {};
    size_t where = width * items <= 4 ? at + 8 : t.Read(at + 8, 4);
    if (!t.Has(where, width * items))
        return {};
    std::vector<unsigned long> values;
    for (unsigned long i = 0; i < items; ++i)
        values.push_back(t.Read(where + width * i, width));
    return values;
}

}  // namespace

std::string SimClient::Answer::Header(const std::string& name) const
{
    std::string value;
    for (const auto& line : headers) {
        size_t colon = line.find(':');
        if (colon == name.size() && strncasecmp(line.c_str(), name.c_str(), colon) == 0) {
            size_t start = line.find_first_not_of(' ', colon + 1);
            value = start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return value;
}

bool SimClient::Answer::HasHeader(const std::string& name) const
{
    for (const auto& line : headers)
        if (line.find(':') == name.size() && strncasecmp(line.c_str(), name.c_str(), name.size()) == 0)
            return true;
    return false;
}

SimClient::SimClient() : curl(curl_easy_init())
{
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, AppendHeader);
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

void SimClient::UseTls(const std::string& caFile)
{
    scheme = "https";
    if (!caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
}

SimClient::Answer SimClient::Get(const std::string& host, const std::string& path,
                                 const std::vector<std::string>& headers)
{
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    return Perform(host, path, headers);
}

SimClient::Answer SimClient::Post(const std::string& host, const std::string& path,
                                  const std::string& body, const std::vector<std::string>& headers)
{
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, body.c_str());
    return Perform(host, path, headers);
}

SimClient::Answer SimClient::Perform(const std::string& host, const std::string& path,
                                     const std::vector<std::string>& headers)
{
    Answer answer;
    std::string url = scheme + "://" + host + path;
    curl_slist* list = nullptr;
    for (const auto& h : headers)
        list = curl_slist_append(list, h.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &answer.headers);
    answer.code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);
    return answer;
}

unsigned long TiffFields::Value(unsigned tag) const
{
    auto it = tags.find(tag);
    return it == tags.end() || it->second.empty() ? 0 : it->second[0];
}

double TiffFields::Rational(unsigned tag) const
{
    auto it = tags.find(tag);
    if (it == tags.end() || it->second.size() < 2 || it->second[1] == 0)
        return 0;
    return static_cast<double>(it->second[0]) / static_cast<double>(it->second[1]);
}

TiffFields ReadTiff(const std::string& bytes)
{
    TiffFields fields;
    bool little = bytes.compare(0, 4, std::string("II*\0", 4)) == 0;
    bool big = bytes.compare(0, 4, std::string("MM\0*", 4)) == 0;
    if (bytes.size() < 8 || (!little && !big))
        return fields;
    fields.bigEndian = big;
    TiffBytes t(bytes, big);
    size_t ifd = t.Read(4, 4);
    if (!t.Has(ifd, 2))
        return fields;
    unsigned entries = t.Read(ifd, 2);
    if (!t.Has(ifd + 2, 12 * static_cast<size_t>(entries)))
        return fields;
    for (unsigned i = 0; i < entries; ++i) {
        size_t at = ifd + 2 + 12 * static_cast<size_t>(i);
        fields.tags[t.Read(at, 2)] = EntryValues(t, at);
    }
    unsigned long offset = fields.Value(273), length = fields.Value(279);
    if (t.Has(offset, length))
        fields.strip = bytes.substr(offset, length);
    return fields;
}

unsigned TiffCompression(const std::string& bytes)
{
    if (bytes.compare(0, 4, std::string("II*\0", 4)) != 0)
        return 0;
    return ReadTiff(bytes).Value(259);
}
