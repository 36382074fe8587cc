#include "settings/ServiceSettings.h"

#include "settings/NetworkSettings.h"

#include <wx/confbase.h>
#include <wx/utils.h>

#include <initializer_list>

namespace {

using Route = ServiceSettings::Route;

wxString ReadTrimmed(const wxConfigBase& config, const wxString& key)
{
    wxString value;
    config.Read(key, &value);
    return value.Trim(true).Trim(false);
}

wxString ReadOr(const wxConfigBase& config, const wxString& key, const wxString& fallback)
{
    const wxString value = ReadTrimmed(config, key);
    return value.empty() ? fallback : value;
}

// `allowed` lists the routes the key may name; anything else is the default
// (the first of them) and gets a warning.
Route ReadRoute(const wxConfigBase& config, const wxString& key, std::initializer_list<Route> allowed,
                std::vector<wxString>& warnings)
{
    const Route fallback = *allowed.begin();
    const wxString value = ReadTrimmed(config, key);
    if (value.empty())
        return fallback;
    wxString names;
    for (Route route : allowed) {
        if (value.IsSameAs(ServiceSettings::RouteName(route), false))
            return route;
        names += (names.empty() ? "" : ", ") + ServiceSettings::RouteName(route);
    }
    warnings.push_back(wxString::Format("[services] %s=%s is not one of %s: %s is used", key.AfterLast('/'),
                                        value, names, ServiceSettings::RouteName(fallback)));
    return fallback;
}

// The variable's value when it is set and not empty.
bool ReadVariable(const char* name, wxString& value)
{
    wxString text;
    if (!wxGetEnv(name, &text) || text.empty())
        return false;
    value = text;
    return true;
}

}  // namespace

wxString ServiceSettings::RouteName(Route route)
{
    switch (route) {
    case Route::classic:
        return "classic";
    case Route::ops:
        return "ops";
    case Route::ppubs:
        return "ppubs";
    case Route::eps:
        return "eps";
    case Route::automatic:
        return "auto";
    }
    return wxString();
}

ServiceSettings ServiceSettings::Read(const wxConfigBase& config)
{
    ServiceSettings settings;
    settings.us =
        ReadRoute(config, "/services/us", {Route::ppubs, Route::ops, Route::classic}, settings.warnings);
    settings.ep =
        ReadRoute(config, "/services/ep", {Route::automatic, Route::eps, Route::ops}, settings.warnings);
    settings.other = ReadRoute(config, "/services/other", {Route::ops, Route::classic}, settings.warnings);
    settings.caFile = ReadTrimmed(config, "/services/caFile");
    settings.opsUrl = ReadOr(config, "/ops/url", defaultOpsUrl);
    settings.opsKey = ReadTrimmed(config, "/ops/consumerKey");
    config.Read("/ops/consumerSecret", &settings.opsSecret);
    ScramblePassword(settings.opsSecret);
    settings.opsKeyFromEnvironment = ReadVariable(opsKeyVariable, settings.opsKey);
    settings.opsSecretFromEnvironment = ReadVariable(opsSecretVariable, settings.opsSecret);
    settings.ppubsUrl = ReadOr(config, "/ppubs/url", defaultPpubsUrl);
    settings.ppubsImageUrl = ReadOr(config, "/ppubs/imageUrl", defaultPpubsImageUrl);
    settings.epsUrl = ReadOr(config, "/eps/url", defaultEpsUrl);
    return settings;
}

void ServiceSettings::Save(wxConfigBase& config) const
{
    config.Write("/services/us", RouteName(us));
    config.Write("/services/ep", RouteName(ep));
    config.Write("/services/other", RouteName(other));
    config.Write("/services/caFile", caFile);
    if (!opsKeyFromEnvironment)
        config.Write("/ops/consumerKey", opsKey);
    if (!opsSecretFromEnvironment) {
        wxString stored = opsSecret;
        ScramblePassword(stored);
        config.Write("/ops/consumerSecret", stored);
    }
}

bool ServiceSettings::HasOpsKey() const
{
    return !wxString(opsKey).Trim().Trim(false).empty() && !wxString(opsSecret).Trim().Trim(false).empty();
}

ServiceSettings::Route ServiceSettings::EpRoute() const
{
    if (ep != Route::automatic)
        return ep;
    if (other == Route::classic)
        return Route::classic;
    return HasOpsKey() ? Route::ops : Route::eps;
}
