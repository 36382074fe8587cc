#pragma once

#include <wx/string.h>

#include <string>

// Every URL of Patent Public Search in one place: its paths have moved
// before. `url` stands for https://ppubs.uspto.gov, `imageUrl` for
// https://image-ppubs.uspto.gov (no slash at the end of either).
class PpubsPaths
{
public:
    PpubsPaths(const wxString& url, const wxString& imageUrl);

    // The whole document as one PDF from the image host, N as PpubsNumber
    // forms it.
    wxString DirectPdf(const wxString& n) const;
    // The same from the service itself, with the session's token.
    wxString ApiPdf(const wxString& n, const std::string& token) const;
    // The web application's page, asked before a session (cookies it sets
    // go back with the later calls); the Referer of the calls it makes.
    wxString Page() const;
    // "https://ppubs.uspto.gov": `url` without any path.
    wxString Origin() const;
    wxString Session() const;
    wxString Counts() const;
    wxString Search() const;
    wxString ImageViewer() const;
    wxString PrintProcess() const;
    // `pdfName` as the print job named it.
    wxString Save(const wxString& pdfName) const;

private:
    wxString url;
    wxString imageUrl;
};
