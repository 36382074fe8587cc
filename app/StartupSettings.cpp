#include "app/StartupSettings.h"

#include "net/NetworkSettings.h"
#include "net/SettingsStore.h"

#include <wx/confbase.h>
#include <wx/display.h>

#include <algorithm>
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

// Everything the displays show together; X11 windows cannot reach beyond
// 32767 in any case.
wxRect DesktopArea()
{
    wxRect area;
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i)
        area.Union(wxDisplay(i).GetGeometry());
    return area.IsEmpty() ? wxRect(0, 0, 32767, 32767) : area;
}

// A stored coordinate off every display would hide the window.
int PlaceOnDesktop(long stored, int desktopStart, int desktopLength)
{
    return stored < 0 || stored >= desktopStart + desktopLength ? 50 : static_cast<int>(stored);
}

int FitOnDesktop(long stored, int minimum, int desktopLength)
{
    return static_cast<int>(std::clamp<long>(stored, minimum, std::max(minimum, desktopLength)));
}

}  // namespace

StartupSettings StartupSettings::Load()
{
    std::unique_ptr<wxConfigBase> config = OpenSettingsStore();
    StartupSettings settings;
    // Read as long: wx's int reading asserts on values beyond int.
    const long x = config->ReadLong("posx", 50);
    const long y = config->ReadLong("posy", 50);
    const long width = config->ReadLong("sizex", 400);
    const long height = config->ReadLong("sizey", 240);

    NetworkSettings& net = TheNetworkSettings();
    net.proxyServer = config->Read("proxyServer", wxString());
    net.proxyPort = config->Read("proxyPort", "80");
    net.proxyUser = config->Read("proxyUser", wxString());
    net.proxyPass = config->Read("proxyPass", wxString());
    ScramblePassword(net.proxyPass);
    net.connectionType = config->Read("connectionType", 0L);
    if (net.connectionType < 0 || net.connectionType > 2)
        net.connectionType = 0;
    MigrateProxyLayout(*config, net);

    const wxRect desktop = DesktopArea();
    settings.position = wxPoint(PlaceOnDesktop(x, desktop.x, desktop.width),
                                PlaceOnDesktop(y, desktop.y, desktop.height));
    settings.size = wxSize(FitOnDesktop(width, 375, desktop.width),
                           FitOnDesktop(height, 200, desktop.height));
    return settings;
}
