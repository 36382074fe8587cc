#pragma once

#include <wx/string.h>

// Every URL of Patent Public Search in one place: its paths have moved
// before. `url` stands for https://ppubs.uspto.gov, `imageUrl` for
// https://image-ppubs.uspto.gov (no slash at the end of either).
class PpubsPaths
{
public:
    PpubsPaths(const wxString& url, const wxString& imageUrl);

    // The whole document as one PDF, N as PpubsNumber forms it.
    wxString DirectPdf(const wxString& n) const;
    // The web application's page, whose cookies a session needs.
    wxString Page() const;
    wxString Session() const;
    wxString Search() const;
    wxString ImageViewer() const;
    wxString PrintProcess() const;
    // `pdfName` as the print job named it.
    wxString Save(const wxString& pdfName) const;

private:
    wxString url;
    wxString imageUrl;
};
