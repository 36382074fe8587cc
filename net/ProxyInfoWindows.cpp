#include "net/ProxyInfo.h"

#include <wx/log.h>
#include <wx/msw/registry.h>

// Internet Options keeps the user's proxy here; Windows' own programs and
// WinINet read the same values.
ProxyInfo ProxyInfo::System()
{
    const wxLogNull quiet;  // a missing value is no proxy, not an error
    wxRegKey key(wxRegKey::HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
    if (!key.Exists())
        return {};
    long enabled = 0;
    wxString server, override;
    if (key.HasValue("ProxyEnable") && !key.QueryValue("ProxyEnable", &enabled))
        enabled = 0;
    if (key.HasValue("ProxyServer"))
        key.QueryValue("ProxyServer", server);
    if (key.HasValue("ProxyOverride"))
        key.QueryValue("ProxyOverride", override);
    return FromInternetOptions(enabled != 0, server, override);
}
