#pragma once

#include <wx/string.h>

class wxConfigBase;

// Host names of the remote services. They are settings (group "hosts"), so
// the program can be pointed at any compatible server, such as the local
// office simulator. A value may carry ":port". A missing key means the
// built-in default. The program never writes this group.
struct Hosts
{
    wxString patentImages1;
    wxString patentImages2;
    wxString applicationImages1;
    wxString applicationImages2;
    wxString applicationSearch;
    wxString ops;
    wxString maker;  // the update server; empty (the default): none

    bool HasUpdateServer() const { return !maker.empty(); }

    // Reads the group from the settings store (built-in defaults for missing keys).
    static Hosts Load();
    static Hosts Read(const wxConfigBase& config);
    static Hosts Defaults();
};
