#pragma once

#include <wx/string.h>

#include <vector>

class wxConfigBase;

// Where documents come from, and how today's services are reached: the
// groups "services", "ops", "ppubs" and "eps" of the settings store. Every key is
// optional; a missing, empty or unknown value means the default, so a bad
// setting costs nothing but the choice it made.
struct ServiceSettings
{
    // classic: the original services (the "hosts" group) and jobs, unchanged.
    // automatic, of EP documents only: EpRoute() decides.
    enum class Route { classic, ops, ppubs, eps, automatic };

    static constexpr const char* defaultOpsUrl = "https://ops.epo.org/3.2";
    static constexpr const char* defaultPpubsUrl = "https://ppubs.uspto.gov";
    static constexpr const char* defaultPpubsImageUrl = "https://image-ppubs.uspto.gov";
    static constexpr const char* defaultEpsUrl = "https://data.epo.org/publication-server";
    static constexpr const char* opsKeyVariable = "FOLIOHARVESTER_OPS_KEY";
    static constexpr const char* opsSecretVariable = "FOLIOHARVESTER_OPS_SECRET";

    Route us = Route::ppubs;      // ppubs | ops | classic
    Route ep = Route::automatic;  // EP documents: automatic | eps | ops
    Route other = Route::ops;     // other offices (EP documents too, when ep follows them): ops | classic
    wxString caFile;           // extra certificate authorities (PEM); empty: none
    wxString opsUrl = defaultOpsUrl;
    wxString opsKey;
    wxString opsSecret;  // always plain text in memory, scrambled in the store
    // Set when the environment variable took the place of the stored value;
    // such a value is never written to the store.
    bool opsKeyFromEnvironment = false;
    bool opsSecretFromEnvironment = false;
    wxString ppubsUrl = defaultPpubsUrl;
    wxString ppubsImageUrl = defaultPpubsImageUrl;
    wxString epsUrl = defaultEpsUrl;

    // One line for each unknown value that was replaced by its default.
    std::vector<wxString> warnings;

    // Reads the groups, with the environment variables taking the place of
    // the stored key and secret.
    static ServiceSettings Read(const wxConfigBase& config);
    // Writes what the user chooses: the three routes, the CA file, the key
    // and the (scrambled) secret; values from the environment are left out.
    void Save(wxConfigBase& config) const;

    // Whether an OPS key and secret are set, stored or from the environment.
    bool HasOpsKey() const;
    // Where EP documents come from: `ep` as chosen; automatic is OPS when a
    // key is set, else the publication server — and the classic route while
    // other offices take it, as that route always fetched EP documents too.
    Route EpRoute() const;

    static wxString RouteName(Route route);
};
