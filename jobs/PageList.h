#pragma once

#include <wx/string.h>

#include <functional>
#include <vector>

class wxInputStream;

// What a US page-image server's page list says: the page count after
// "<!-- NumPages=" and the embedded page's path after "embed src=".
struct PageList
{
    bool hasCount = false;  // a "<!-- NumPages=N -->" mark was found
    long numPages = 0;
    wxString embedPath;

    // Reads the answer line by line; false when `stop` asked to give up.
    bool Parse(wxInputStream& body, const std::function<bool()>& stop);

    // One request path per page: the embed path with its page number
    // replaced by 1..numPages. Empty for a count outside 1..maxPages or an
    // embed path without "PageNum=".
    std::vector<wxString> PagePaths(long maxPages) const;
};
