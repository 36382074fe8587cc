#include "app/StartupSettings.h"

#include "net/NetworkSettings.h"
#include "net/SettingsStore.h"

#include <wx/confbase.h>

#include <memory>

namespace {

// Older versions kept a proxy flag and a proxy kind instead of the
// connection type.
void MigrateProxyLayout(wxConfigBase& config, NetworkSettings& net)
{
    if (!config.HasEntry("proxyEnable") && !config.HasGroup("proxyEnable"))
        return;
    bool enabled = false;
    config.Read("proxyEnable", &enabled);
    if (enabled) {
        wxString type;
        config.Read("proxyType", &type);
        if (type == "HTTP")
            net.connectionType = 2;
    }
    config.DeleteEntry("proxyType", true);
    config.DeleteEntry("proxyEnable", true);
}

}  // namespace

StartupSettings StartupSettings::Load()
{
    std::unique_ptr<wxConfigBase> config = OpenSettingsStore();
    StartupSettings settings;
    int x = 50, y = 50, width = 400, height = 240;
    config->Read("posx", &x, 50);
    config->Read("posy", &y, 50);
    config->Read("sizex", &width, 400);
    config->Read("sizey", &height, 240);

    NetworkSettings& net = TheNetworkSettings();
    net.proxyServer = config->Read("proxyServer", wxString());
    net.proxyPort = config->Read("proxyPort", "80");
    net.proxyUser = config->Read("proxyUser", wxString());
    net.proxyPass = config->Read("proxyPass", wxString());
    ScramblePassword(net.proxyPass);
    net.connectionType = config->Read("connectionType", 0L);
    MigrateProxyLayout(*config, net);

    settings.position = wxPoint(x < 0 ? 50 : x, y < 0 ? 50 : y);
    settings.size = wxSize(width < 375 ? 375 : width, height < 200 ? 200 : height);
    return settings;
}
