#pragma once

#include "pdf/FaxImage.h"

#include <wx/string.h>

#include <string>
#include <vector>

// The pages of a PDF whose every page is one CCITT fax image, as an office
// serves its documents: each image's coded bytes are taken as stored, never
// decoded, so they can go into another PDF unchanged. Any other file (not a
// PDF, damaged, encrypted, a page without exactly one fax image) is refused
// as a whole with a one-line reason.
class PdfFaxPages
{
public:
    explicit PdfFaxPages(const std::string& pdf);

    bool IsOk() const;
    wxString GetError() const;
    // In page order; empty when refused.
    const std::vector<FaxImage>& GetPages() const;

private:
    bool Fail(const wxString& text);

    std::vector<FaxImage> pages;
    wxString error;
};
