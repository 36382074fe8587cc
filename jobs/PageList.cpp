#include "jobs/PageList.h"

#include <wx/stream.h>
#include <wx/txtstrm.h>

#include <climits>
#include <cstdlib>

namespace {

// strtol's reading (leading blanks, sign, leading digits), saturated to int
// so an absurd count stays absurd instead of wrapping.
long LeadingInt(const wxString& text)
{
    long long value = std::strtoll(text.utf8_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<long>(value);
}

}  // namespace

bool PageList::Parse(wxInputStream& body, const std::function<bool()>& stop)
{
    wxTextInputStream text(body);
    while (body.IsOk() && !body.Eof()) {
        if (stop())
            return false;
        wxString line = text.ReadLine();
        int at = line.Find("<!-- NumPages=");
        if (at != wxNOT_FOUND) {
            line = line.Mid(at + 14);
            int end = line.Find(" -->");
            if (end != wxNOT_FOUND) {
                numPages = LeadingInt(line.Left(end));
                hasCount = true;
            }
        }
        at = line.Find("embed src=");
        if (at != wxNOT_FOUND) {
            line = line.Mid(at + 11);
            int end = line.Find("\" width=");
            // The element may be split over several lines.
            while (end == wxNOT_FOUND && body.IsOk() && !body.Eof()) {
                line += text.ReadLine();
                end = line.Find("\" width=");
            }
            if (end != wxNOT_FOUND)
                embedPath = line.Left(end);
        }
    }
    return true;
}

std::vector<wxString> PageList::PagePaths(long maxPages) const
{
    const wxString mark = "PageNum=";
    const int at = embedPath.Find(mark);
    std::vector<wxString> paths;
    if (numPages <= 0 || numPages > maxPages || at == wxNOT_FOUND)
        return paths;
    // Exactly one character, the embedded page's own number, is dropped.
    const wxString prefix = embedPath.Left(at + mark.length());
    const wxString suffix = embedPath.Mid(at + mark.length() + 1);
    paths.reserve(numPages);
    for (long i = 1; i <= numPages; ++i)
        paths.push_back(wxString::Format("%s%li%s", prefix, i, suffix));
    return paths;
}
