#pragma once

#include <wx/string.h>

#include <optional>

// A US document's number as Patent Public Search takes it: N of the direct
// PDF, the short number of the US rules (6103599, D1049406, PP32577,
// RE42516, 20170329973; likewise H1520, T106201, X1, AI318), and the search
// query for it.
struct PpubsNumber
{
    wxString n;

    // The search by publication number: ("6103599").pn.
    wxString Query() const;

    // `number` is the entry's number (commas and blanks removed). nullopt for
    // an application serial number (it has no N until a search finds its
    // publication) and for a shape the US rules give no id.
    static std::optional<PpubsNumber> FromEntry(const wxString& number);
};
