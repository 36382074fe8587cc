#include "settings/FetchSettings.h"

#include "settings/SettingsStore.h"

#include <wx/confbase.h>

namespace {

NetworkSettings ReadNetwork(const wxConfigBase& config)
{
    NetworkSettings net;
    config.Read("proxyServer", &net.proxyServer, wxString());
    config.Read("proxyPort", &net.proxyPort, "80");
    config.Read("proxyUser", &net.proxyUser, wxString());
    config.Read("proxyPass", &net.proxyPass, wxString());
    ScramblePassword(net.proxyPass);
    // Read as long: wx's int reading asserts on values beyond int.
    net.connectionType = config.ReadLong("connectionType", 0L);
    if (net.connectionType < 0 || net.connectionType > 2)
        net.connectionType = 0;
    // Older versions kept a proxy flag and a proxy kind instead.
    bool proxyEnabled = false;
    if (config.Read("proxyEnable", &proxyEnabled) && proxyEnabled &&
        config.Read("proxyType", wxString()) == "HTTP")
        net.connectionType = 2;
    return net;
}

}  // namespace

FetchSettings FetchSettings::Read(const wxConfigBase& config)
{
    FetchSettings settings;
    settings.network = ReadNetwork(config);
    settings.services = ServiceSettings::Read(config);
    settings.hosts = Hosts::Read(config);
    settings.ocr = config.ReadLong(ocrKey, 0L) == 1;
    return settings;
}

FetchSettings FetchSettings::Load()
{
    return Read(*OpenSettingsStore());
}

bool FetchSettings::HasOldProxyLayout(const wxConfigBase& config)
{
    return config.HasEntry("proxyEnable") || config.HasGroup("proxyEnable");
}
