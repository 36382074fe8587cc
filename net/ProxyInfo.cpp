#include "net/ProxyInfo.h"

#include <wx/arrstr.h>

ProxyInfo ProxyInfo::For(int connectionType, const wxString& server, const wxString& port)
{
    ProxyInfo info;
    if (connectionType == 0)
        return System();
    if (connectionType != 2)
        return info;
    if (server.empty()) {
        info.access = Access::Direct;
        return info;
    }
    info.access = Access::Proxy;
    // An empty port field would leave libcurl to pick its SOCKS-era default
    // of 1080; an HTTP proxy without a port listens on 80.
    info.proxyList = server + ":" + (port.empty() ? wxString("80") : port);
    info.bypassList = "<LOCAL>";
    return info;
}

ProxyInfo ProxyInfo::FromInternetOptions(bool enabled, const wxString& server, const wxString& override)
{
    ProxyInfo info;
    // The requests are HTTPS but for the classic hosts, so the HTTPS proxy
    // of a per-scheme list serves them all, else the HTTP one.
    wxString plain, http, https;
    for (wxString entry : wxSplit(server, ';', '\0')) {
        entry.Trim(true).Trim(false);
        const wxString lower = entry.Lower();
        if (lower.StartsWith("https="))
            https = entry.Mid(6);
        else if (lower.StartsWith("http="))
            http = entry.Mid(5);
        else if (!entry.Contains("="))
            plain = entry;
    }
    const wxString chosen = !https.empty() ? https : !plain.empty() ? plain : http;
    if (!enabled || chosen.empty())
        return info;
    info.access = Access::Proxy;
    info.proxyList = chosen;
    info.bypassList = override;
    return info;
}

bool ProxyInfo::UsesProxyFor(const wxString& hostName) const
{
    if (access != Access::Proxy)
        return false;
    const wxString host = hostName.Lower();
    for (wxString entry : wxSplit(bypassList, ';', '\0')) {
        entry = entry.Trim(true).Trim(false).Lower();
        if (entry == "<local>" ? !host.Contains(".") : !entry.empty() && host.Matches(entry))
            return false;
    }
    return true;
}
