#pragma once

#include <wx/string.h>

#include <optional>

// An EP number as the publication server names documents: the number
// zero-padded to seven digits and the kind, when one was typed.
// EP2219563, ep2219563b1 and EP2219563.B1 are EP numbers, EP729353 is
// EP0729353; anything else — another office, more than seven digits, a kind
// other than A or B with one digit — is not.
struct EpsNumber
{
    wxString number;  // "EP2219563"
    wxString kind;    // "B1"; empty when none was typed

    // `entry` is the entry's number (commas and blanks removed).
    static std::optional<EpsNumber> FromEntry(const wxString& entry);

    // The server's id of the first publication (not a corrected reprint)
    // of `kind`: EP2219563NWB1.
    wxString DocumentId(const wxString& kind) const;
};
