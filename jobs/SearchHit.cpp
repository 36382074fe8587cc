#include "jobs/SearchHit.h"

#include <wx/stream.h>
#include <wx/txtstrm.h>

namespace {

const char searchHitMark[] =
    "/netacgi/nph-Parser?Sect1=PTO2&Sect2=HITOFF&u=%2Fnetahtml%2FPTO%2Fsearch-adv.html";

bool IsPlainId(const wxString& id)
{
    if (id.empty())
        return false;
    for (wxUniChar c : id)
        if (!(c.IsAscii() && isalnum(static_cast<unsigned char>(c.GetValue()))))
            return false;
    return true;
}

}  // namespace

wxString FindSearchHit(wxInputStream& body, const std::function<bool()>& stop)
{
    wxTextInputStream text(body);
    while (body.IsOk() && !body.Eof() && !stop()) {
        wxString line = text.ReadLine();
        int at = line.Find(searchHitMark);
        if (at == wxNOT_FOUND)
            continue;
        line = line.Mid(at);
        int linkEnd = line.Find('>');
        if (linkEnd == wxNOT_FOUND)
            continue;
        line = line.Mid(linkEnd + 1);
        int textEnd = line.Find("</A>");
        if (textEnd == wxNOT_FOUND)
            continue;
        wxString hit = line.Left(textEnd);
        hit.Trim(true).Trim(false);
        return IsPlainId(hit) ? hit : wxString();
    }
    return wxString();
}
