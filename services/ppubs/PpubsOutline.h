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
// title them. The answer's two starts of the description text make one
// "Description": at "specificationStart" when the answer gives it, else at
// "descriptionStart".
std::vector<PpubsSection> PpubsOutline(const std::map<std::string, int>& sectionStarts);
