#pragma once

#include <wx/string.h>

// One service's line of the network check: whether it works, which service
// and where it is, and what was found, in plain words.
struct CheckLine
{
    bool ok = false;
    wxString service;  // "USPTO Patent Public Search"
    wxString where;    // the URL or the "host:port" asked
    wxString detail;

    // "OK     SERVICE (WHERE): DETAIL", or "FAILED ..."; always one line.
    wxString Text() const;
};
