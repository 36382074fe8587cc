#pragma once

#include "net/Hosts.h"

#include <wx/string.h>

#include <vector>

class HttpSession;

// A service the proxy test asks: its name for the user and its host.
struct ProxyTestTarget
{
    wxString service;
    wxString host;
};

// The services the download routes use, each host once: what the proxy test
// checks when no update server is configured. A new route adds its
// services here.
std::vector<ProxyTestTarget> ProxyTestTargets(const Hosts& hosts);

// Asks each target for "/" through `session` and describes, as an HTML page,
// which answered (with the status) and which did not (with the reason).
// Empty when none answered.
wxString CheckProxyTestTargets(HttpSession& session, const std::vector<ProxyTestTarget>& targets);
