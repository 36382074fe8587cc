#include "services/ppubs/PpubsPaths.h"

namespace {

wxString WithoutTrailingSlash(wxString url)
{
    while (url.EndsWith("/"))
        url.RemoveLast();
    return url;
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

wxString PpubsPaths::Page() const
{
    return url + "/pubwebapp/";
}

wxString PpubsPaths::Session() const
{
    return url + "/api/users/me/session";
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
