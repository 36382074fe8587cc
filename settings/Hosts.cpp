#include "settings/Hosts.h"

#include "settings/SettingsStore.h"

namespace {

wxString ReadHost(const wxConfigBase& config, const wxString& key, const wxString& fallback)
{
    wxString value;
    if (!config.Read("/hosts/" + key, &value))
        return fallback;
    value.Trim(true).Trim(false);
    // An empty value can name no server; treat it like a missing key.
    return value.empty() ? fallback : value;
}

}  // namespace

Hosts Hosts::Defaults()
{
    Hosts hosts;
    hosts.patentImages1 = "patimg1.uspto.gov";
    hosts.patentImages2 = "patimg2.uspto.gov";
    hosts.applicationImages1 = "aiw1.uspto.gov";
    hosts.applicationImages2 = "aiw2.uspto.gov";
    hosts.applicationSearch = "appft1.uspto.gov";
    hosts.ops = "ops.epo.org";
    // No update server unless one is configured: the program offers to run
    // what that server sends, so it must be one the user chose.
    return hosts;
}

Hosts Hosts::Load()
{
    return Read(*OpenSettingsStore());
}

Hosts Hosts::Read(const wxConfigBase& config)
{
    const Hosts defaults = Defaults();
    Hosts hosts;
    hosts.patentImages1 = ReadHost(config, "patentImages1", defaults.patentImages1);
    hosts.patentImages2 = ReadHost(config, "patentImages2", defaults.patentImages2);
    hosts.applicationImages1 = ReadHost(config, "applicationImages1", defaults.applicationImages1);
    hosts.applicationImages2 = ReadHost(config, "applicationImages2", defaults.applicationImages2);
    hosts.applicationSearch = ReadHost(config, "applicationSearch", defaults.applicationSearch);
    hosts.ops = ReadHost(config, "ops", defaults.ops);
    hosts.maker = ReadHost(config, "maker", defaults.maker);
    return hosts;
}
