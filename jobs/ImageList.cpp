#include "jobs/ImageList.h"

#include <wx/regex.h>
#include <wx/stream.h>
#include <wx/txtstrm.h>

#include <cstdlib>

namespace {

const char fullDocumentPattern[] =
    "<ops:document-instance system=\"([^\"]+)\" link=\"([^\"]+)\" "
    "number-of-pages=\"(\\d+)\" desc=\"FullDocument\">";

// strtoul's reading, saturated so a huge count stays huge instead of wrapping.
uint32_t PageCountOf(const wxString& digits)
{
    unsigned long long value = std::strtoull(digits.utf8_str(), nullptr, 10);
    return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}

}  // namespace

void ImageList::Parse(wxInputStream& body)
{
    wxRegEx fullDocument(fullDocumentPattern, wxRE_ADVANCED);
    pageCount = 0;
    wxTextInputStream text(body, " \t");
    while (body.IsOk() && !body.Eof()) {
        const wxString line = text.ReadLine();
        if (!fullDocument.Matches(line))
            continue;
        const uint32_t pages = PageCountOf(fullDocument.GetMatch(line, 3));
        if (pages > pageCount) {
            host = fullDocument.GetMatch(line, 1);
            path = "/2.6.2/rest-services/" + fullDocument.GetMatch(line, 2);
            pageCount = pages;
        }
    }
}
