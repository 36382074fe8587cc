#pragma once

#include <wx/string.h>

#include <optional>

// An entry's number in the epodoc form of OPS requests.
//   other offices: as typed in upper case, a typed kind after a dot
//     (EP2219563B1 and EP2219563.B1 -> EP2219563.B1); EP numbers padded to
//     seven digits (EP729353 -> EP0729353); WO numbers lose their "/"
//     (WO2004/012345 -> WO2004012345, WO98/12345 -> WO9812345), the year
//     has two digits until 2003 (WO2002/051231 -> WO02051231) and the serial
//     six digits from 2002 on, five before.
//   US documents: "US" before the short number of the US rules:
//     5123456 -> US5123456, D0365123 -> USD365123, RE035136 -> USRE35136,
//     PP012835 -> USPP12835, and likewise H0001520 -> USH1520, T0106201 ->
//     UST106201, X0000001 -> USX1, AI000318 -> USAI318; an application
//     publication as its year and six digits: 20020000051 -> US2002000051.
struct OpsNumber
{
    wxString epodoc;  // the request form: "EP2219563.B1", "US5123456"
    wxString kind;    // the typed kind ("B1"), empty when none was typed

    // `number` is the entry's number (commas and blanks removed). nullopt when
    // there is no OPS form: a US application serial number, a shape the US
    // rules give no id, or another office's number of no known shape.
    static std::optional<OpsNumber> FromEntry(const wxString& number, bool usDocument);
};
