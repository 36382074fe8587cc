#pragma once

#include <wx/string.h>

#include <cstdint>

class wxInputStream;

// The full-document image set named by an OPS image list: the
// FullDocument instance with the most pages (the first among equals).
struct ImageList
{
    wxString host;      // the instance's "system" attribute
    wxString path;      // "/2.6.2/rest-services/" + its "link" attribute
    uint32_t pageCount = 0;

    void Parse(wxInputStream& body);
    bool Found() const { return !host.empty() && !path.empty() && pageCount > 0; }
};
