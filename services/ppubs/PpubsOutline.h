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
// 1, "drawingsStart": 2, ...; 0 for a section the document lacks): in page
// order, sections of one page in reading order, titled as the other routes
// title them. The specification and the description, which the answer
// names apart, are one "Description", at the specification's page when it
// gives one.
std::vector<PpubsSection> PpubsOutline(const std::map<std::string, int>& sectionStarts);
