#include "services/ppubs/PpubsNumber.h"

#include "numbers/UsNumber.h"

#include <wx/regex.h>

wxString PpubsNumber::Query() const
{
    return "(\"" + n + "\").pn.";
}

std::optional<PpubsNumber> PpubsNumber::FromEntry(const wxString& number)
{
    const UsNumber us = NormalizeUsNumber(number);
    if (us.docId.empty() || us.IsSerial())
        return std::nullopt;
    const wxRegEx shape("^[A-Z]{0,2}[1-9][0-9]*$", wxRE_EXTENDED);
    if (!shape.Matches(us.number))
        return std::nullopt;
    return PpubsNumber{us.number};
}
