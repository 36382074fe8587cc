#include "net/ProxyInfo.h"

ProxyInfo ProxyInfo::For(int connectionType, const wxString& server, const wxString& port)
{
    ProxyInfo info;
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

bool ProxyInfo::UsesProxyFor(const wxString& hostName) const
{
    if (access != Access::Proxy)
        return false;
    const bool local = !hostName.Contains(".");
    return !(local && bypassList == "<LOCAL>");
}
