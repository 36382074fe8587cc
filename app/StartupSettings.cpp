#include "app/StartupSettings.h"

#include "net/FetchSettings.h"
#include "net/HttpTrace.h"
#include "net/SettingsStore.h"

#include <wx/confbase.h>
#include <wx/display.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <algorithm>
#include <memory>

namespace {

// Older versions kept a proxy flag and a proxy kind instead of the
// connection type; the loader has read them, and they go from the store.
void DropOldProxyLayout(wxConfigBase& config)
{
    if (!FetchSettings::HasOldProxyLayout(config))
        return;
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

// FOLIOHARVESTER_TRACE names the file that records this run's requests and
// answers, for a user to send when a download fails.
void TraceAsTheEnvironmentSays(NetworkSettings& network)
{
    wxString path;
    if (!wxGetEnv("FOLIOHARVESTER_TRACE", &path) || path.empty())
        return;
    wxString error;
    network.trace = HttpTrace::Open(path, error);
    if (!network.trace)
        wxLogError("%s", error);
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

    const FetchSettings fetch = FetchSettings::Read(*config);
    TheNetworkSettings() = fetch.network;
    settings.mistakes = fetch.services.warnings;
    TraceAsTheEnvironmentSays(TheNetworkSettings());
    DropOldProxyLayout(*config);

    const wxRect desktop = DesktopArea();
    settings.position = wxPoint(PlaceOnDesktop(x, desktop.x, desktop.width),
                                PlaceOnDesktop(y, desktop.y, desktop.height));
    settings.size = wxSize(FitOnDesktop(width, 375, desktop.width),
                           FitOnDesktop(height, 200, desktop.height));
    return settings;
}
