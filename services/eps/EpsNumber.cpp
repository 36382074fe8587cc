#include "services/eps/EpsNumber.h"

#include <wx/regex.h>

std::optional<EpsNumber> EpsNumber::FromEntry(const wxString& entry)
{
    const wxString upper = entry.Upper();
    const wxRegEx ep("^EP0*([0-9]{1,7})\\.?([AB][0-9])?$", wxRE_EXTENDED);
    if (!ep.Matches(upper))
        return std::nullopt;
    long value = 0;
    if (!ep.GetMatch(upper, 1).ToLong(&value) || value <= 0)
        return std::nullopt;
    return EpsNumber{wxString::Format("EP%07ld", value), ep.GetMatch(upper, 2)};
}

wxString EpsNumber::DocumentId(const wxString& kindOfId) const
{
    return number + "NW" + kindOfId;
}
