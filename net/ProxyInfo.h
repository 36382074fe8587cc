#pragma once

#include <wx/string.h>

// The proxy choice of one session: whether the platform's own settings,
// a direct connection or an explicit HTTP proxy apply, and for the proxy
// its "server:port" text and the bypass list: entries separated by ";",
// "<LOCAL>" for host names without a dot, others host patterns with "*".
struct ProxyInfo
{
    enum class Access { Preconfigured, Direct, Proxy };

    Access access = Access::Preconfigured;
    wxString proxyList;
    wxString bypassList;

    // connectionType 2 ("HTTP PROXY") picks Direct or Proxy from the
    // server text; 0 ("AUTO") takes System(), and 1 ("DIRECT") keeps the
    // platform's settings as libcurl finds them.
    static ProxyInfo For(int connectionType, const wxString& server, const wxString& port);

    // The user's own proxy of the platform: on Windows that of Internet
    // Options; elsewhere Preconfigured, leaving libcurl to http_proxy.
    static ProxyInfo System();

    // Internet Options' values: ProxyServer is "host:port" or per scheme,
    // "http=host:port;https=host:port"; ProxyOverride the bypass list.
    static ProxyInfo FromInternetOptions(bool enabled, const wxString& server, const wxString& override);

    // `hostName` without ":port".
    bool UsesProxyFor(const wxString& hostName) const;
};
