#pragma once

#include <wx/string.h>

#include <map>
#include <string>
#include <vector>

// A bookmark of a document's section, `page` counted from 1.
struct PpubsSection
{
    wxString title;
    int page = 1;
};

// The bookmarks the search answer's section starts give ("frontPageStart":
// 1, "drawingsStart": 2, ...): in page order, sections of one page in
// reading order, titled as the other routes title them.
std::vector<PpubsSection> PpubsOutline(const std::map<std::string, int>& sectionStarts);
