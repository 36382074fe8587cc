#pragma once

#include <wx/string.h>

// The program-wide network settings: filled at start-up, edited by the setup
// dialog, saved at shutdown, read by the application-number search. Written
// only on the GUI thread; jobs read them without a lock.
struct NetworkSettings
{
    long connectionType = 0;  // 0 "AUTO", 1 "DIRECT", 2 "HTTP PROXY"
    wxString proxyServer;
    wxString proxyPort = "80";
    wxString proxyUser;
    wxString proxyPass;  // always plain text in memory
};

NetworkSettings& TheNetworkSettings();

// The stored form of the proxy password: every non-zero byte exclusive-or a
// fixed mask; its own inverse.
void ScramblePassword(wxString& password);
