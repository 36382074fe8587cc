#pragma once

#include "net/Hosts.h"
#include "net/ServiceSettings.h"

#include <wx/string.h>

#include <vector>

class HttpSession;
class HttpsClient;

// A service the proxy test asks: its name for the user and where it is, a
// classic "host:port" or the URL of one of today's services.
struct ProxyTestTarget
{
    wxString service;
    wxString host;

    bool IsUrl() const;
};

// The services the chosen routes use, each once: what the proxy test checks
// when no update server is configured. A new route adds its services here.
std::vector<ProxyTestTarget> ProxyTestTargets(const Hosts& hosts, const ServiceSettings& services);

// Asks each target through the same network settings — a classic host for
// "/" through `session`, a URL through `client` — and describes, as an HTML
// page, which answered (with the status) and which did not (with the
// reason). Empty when none answered.
wxString CheckProxyTestTargets(HttpSession& session, HttpsClient& client,
                               const std::vector<ProxyTestTarget>& targets);
