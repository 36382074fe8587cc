#pragma once

#include "net/NetworkSettings.h"

#include <wx/string.h>

// Asks the OPS token endpoint whether a consumer key and secret are good,
// through the given network settings and extra authorities, and puts the
// answer in plain words: the service's load on success, the reason
// otherwise. The text never holds the secret.
struct OpsKeyCheck
{
    bool accepted = false;
    wxString text;

    static OpsKeyCheck Run(const NetworkSettings& network, const wxString& caFile, const wxString& opsUrl,
                           const wxString& key, const wxString& secret);
};
