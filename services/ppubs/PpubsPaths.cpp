#include "services/ppubs/PpubsPaths.h"

namespace {

wxString WithoutTrailingSlash(wxString url)
{
    while (url.EndsWith("/"))
        url.RemoveLast();
    return url;
}

// Every byte but the unreserved ones as %XX, as a query value needs.
wxString PercentEncoded(const std::string& value)
{
    wxString encoded;
    for (unsigned char c : value) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~')
            encoded << static_cast<char>(c);
        else
            encoded << wxString::Format("%%%02X", c);
    }
    return encoded;
}

}  // namespace

PpubsPaths::PpubsPaths(const wxString& url, const wxString& imageUrl)
    : url(WithoutTrailingSlash(url)), imageUrl(WithoutTrailingSlash(imageUrl))
{
}

wxString PpubsPaths::DirectPdf(const wxString& n) const
{
    return imageUrl + "/dirsearch-public/print/downloadPdf/" + n;
}

wxString PpubsPaths::ApiPdf(const wxString& n, const std::string& token) const
{
    return url + "/api/pdf/downloadPdf/" + n + "?requestToken=" + PercentEncoded(token);
}

wxString PpubsPaths::Page() const
{
    return url + "/pubwebapp/";
}

wxString PpubsPaths::Origin() const
{
    const size_t scheme = url.find("://");
    const size_t path = scheme == wxString::npos ? wxString::npos : url.find('/', scheme + 3);
    return path == wxString::npos ? url : url.substr(0, path);
}

wxString PpubsPaths::Session() const
{
    return url + "/api/users/me/session";
}

wxString PpubsPaths::Counts() const
{
    return url + "/api/searches/counts";
}

wxString PpubsPaths::Search() const
{
    return url + "/api/searches/searchWithBeFamily";
}

wxString PpubsPaths::ImageViewer() const
{
    return url + "/api/print/imageviewer";
}

wxString PpubsPaths::PrintProcess() const
{
    return url + "/api/print/print-process";
}

wxString PpubsPaths::Save(const wxString& pdfName) const
{
    return url + "/api/print/save/" + pdfName;
}
