#pragma once

#include <wx/string.h>

// The proxy choice of one session: whether the platform's own settings,
// a direct connection or an explicit HTTP proxy apply, and for the proxy
// its "server:port" text and the "<LOCAL>" bypass (host names without a
// dot go direct).
struct ProxyInfo
{
    enum class Access { Preconfigured, Direct, Proxy };

    Access access = Access::Preconfigured;
    wxString proxyList;
    wxString bypassList;

    // connectionType 2 ("HTTP PROXY") picks Direct or Proxy from the
    // server text; 0 ("AUTO") and 1 ("DIRECT") keep the platform's settings.
    static ProxyInfo For(int connectionType, const wxString& server, const wxString& port);

    // `hostName` without ":port".
    bool UsesProxyFor(const wxString& hostName) const;
};
