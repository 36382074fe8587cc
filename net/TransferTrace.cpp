#include "net/TransferTrace.h"

#include "net/HttpTrace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Enough of a body to find every secret in what is shown of it.
const size_t bodyKept = 2 * TransferTrace::textShown;

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The value of the last "Content-Type:" line of `head`.
std::string ContentType(const std::string& head)
{
    const std::string lower = Lower(head);
    const size_t at = lower.rfind("\ncontent-type:");
    if (at == std::string::npos)
        return std::string();
    const size_t begin = at + 14;
    return lower.substr(begin, lower.find_first_of("\r\n", begin) - begin);
}

bool TextType(const std::string& contentType)
{
    if (contentType.find_first_not_of(" \t") == std::string::npos)
        return true;  // unnamed: the bytes decide
    for (const char* kind : {"text/", "json", "xml", "html", "javascript", "x-www-form-urlencoded"})
        if (contentType.find(kind) != std::string::npos)
            return true;
    return false;
}

bool TextBytes(const std::string& sample)
{
    return std::none_of(sample.begin(), sample.end(), [](char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f') || byte == 0x7f;
    });
}

// `text` cut to `size` bytes, not inside a UTF-8 character.
std::string CutAt(const std::string& text, size_t size)
{
    if (text.size() <= size)
        return text;
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
        --size;
    return text.substr(0, size);
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

// The Content-Length a request head announces; 0 when none.
size_t AnnouncedLength(const std::string& head)
{
    const std::string lower = Lower(head);
    const size_t at = lower.find("\ncontent-length:");
    return at == std::string::npos ? 0 : static_cast<size_t>(std::strtoull(lower.c_str() + at + 16, nullptr, 10));
}

// "host:port" without any credentials typed into the proxy's address.
std::string ProxyWithoutCredentials(const std::string& proxy)
{
    const size_t at = proxy.rfind('@');
    if (at == std::string::npos)
        return proxy;
    const size_t scheme = proxy.find("://");
    return (scheme == std::string::npos || scheme > at ? std::string() : proxy.substr(0, scheme + 3)) + "***@" +
           proxy.substr(at + 1);
}

}  // namespace

TransferTrace::TransferTrace(std::shared_ptr<HttpTrace> trace) : trace(std::move(trace)) {}

void TransferTrace::Begin(CURL* curl, const std::string& proxyText)
{
    handle = curl;
    proxy = ProxyWithoutCredentials(proxyText);
    number = trace->NewTransfer();
    began = std::chrono::steady_clock::now();
    requestHead.clear();
    requestBody.clear();
    requestBodySize = 0;
    answerHead.clear();
    anyRequest = false;
}

void TransferTrace::Saw(curl_infotype type, const char* data, size_t size)
{
    switch (type) {
    case CURLINFO_HEADER_OUT:
        // A new request: a CONNECT's answer or an earlier round is complete.
        if (!answerHead.empty())
            WriteAnswer("");
        if (!requestHead.empty())
            WriteRequest();
        requestHead.assign(data, size);
        requestBodyAnnounced = AnnouncedLength(requestHead);
        if (requestBodyAnnounced == 0)
            WriteRequest();
        break;
    case CURLINFO_DATA_OUT:
        if (requestHead.empty())
            break;
        requestBodySize += size;
        requestBody.append(data, std::min(size, bodyKept - std::min(bodyKept, requestBody.size())));
        if (requestBodySize >= requestBodyAnnounced)
            WriteRequest();
        break;
    case CURLINFO_HEADER_IN:
        if (!requestHead.empty())
            WriteRequest();
        answerHead.append(data, size);
        break;
    default:
        break;
    }
}

void TransferTrace::End(CURLcode code, const std::string& detail, const std::string& body)
{
    // A request that never left (no connection) is still named.
    if (!requestHead.empty() || !anyRequest)
        WriteRequest();
    std::string ending = BodyLines(*trace, body, body.size(), ContentType(answerHead));
    if (code != CURLE_OK)
        ending = "failed: " + detail + "\n" + ending;
    WriteAnswer(ending);
}

void TransferTrace::WriteRequest()
{
    const std::string requestLine = FirstLine(requestHead);
    std::string method = requestLine.substr(0, requestLine.find(' '));
    std::string target;
    if (method == "CONNECT") {
        target = requestLine.substr(method.size() + 1, requestLine.rfind(' ') - method.size() - 1);
    } else {
        char* info = nullptr;
        if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &info) == CURLE_OK && info)
            target = info;
        if (method.empty() && curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_METHOD, &info) == CURLE_OK && info)
            method = info;
    }
    std::string heading = "> " + method + " " + target;
    if (!proxy.empty())
        heading += " via proxy " + proxy;
    anyRequest = true;
    std::string text = requestHead.empty() ? std::string("not sent\n") : requestHead;
    if (requestBodySize > 0)
        text += BodyLines(*trace, requestBody, requestBodySize, ContentType("\n" + requestHead));
    trace->Write(number, heading, text);
    requestHead.clear();
    requestBody.clear();
    requestBodySize = 0;
}

void TransferTrace::WriteAnswer(const std::string& ending)
{
    std::string heading = "< ";
    heading += answerHead.empty() ? "no answer" : FirstLine(answerHead);
    heading += " after " + std::to_string(Elapsed()) + " ms";
    trace->Write(number, heading, answerHead + ending);
    answerHead.clear();
}

long TransferTrace::Elapsed() const
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began).count());
}

std::string TransferTrace::BodyLines(HttpTrace& trace, const std::string& body, size_t size,
                                     const std::string& contentType)
{
    if (size == 0)
        return std::string();
    const std::string sample = body.substr(0, bodyKept);
    std::string lines = "body, " + std::to_string(size) + " bytes";
    if (TextType(Lower(contentType)) && TextBytes(CutAt(sample, textShown))) {
        const std::string redacted = trace.Redact(sample);
        const std::string shown = CutAt(redacted, textShown);
        lines += ":\n" + shown;
        if (shown.size() < redacted.size() || sample.size() < size)
            lines += "\n[...]";
        return lines + "\n";
    }
    lines += ", binary:";
    for (size_t i = 0; i < std::min(sample.size(), bytesShown); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", static_cast<unsigned char>(body[i]));
        lines += hex;
    }
    return lines + "\n";
}
