#include "services/eps/EpsLink.h"

#include <curl/curl.h>

#include <memory>

namespace {

struct UrlDeleter
{
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct TextDeleter
{
    void operator()(char* text) const { curl_free(text); }
};

std::string Part(CURLU* url, CURLUPart part)
{
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK)
        return std::string();
    std::unique_ptr<char, TextDeleter> owned(text);
    return text;
}

}  // namespace

std::optional<wxString> ResolveEpsLink(const wxString& base, const std::string& link)
{
    std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url || link.empty() || curl_url_set(url.get(), CURLUPART_URL, base.utf8_str(), 0) != CURLUE_OK)
        return std::nullopt;
    // Set on a URL, a relative one is resolved against it.
    if (curl_url_set(url.get(), CURLUPART_URL, link.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    const std::string scheme = Part(url.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https")
        return std::nullopt;
    const std::string resolved = Part(url.get(), CURLUPART_URL);
    if (resolved.empty())
        return std::nullopt;
    return wxString::FromUTF8(resolved);
}
