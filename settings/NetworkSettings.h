#pragma once

#include <wx/string.h>

#include <memory>

class HttpTrace;

// The program-wide network settings: filled at start-up, edited by the setup
// dialog, saved at shutdown. Read and written only on the GUI thread (the
// main thread of the command line): a job gets its own copy when it is made.
struct NetworkSettings
{
    long connectionType = 0;  // 0 "AUTO", 1 "DIRECT", 2 "HTTP PROXY"
    wxString proxyServer;
    wxString proxyPort = "80";
    wxString proxyUser;
    wxString proxyPass;  // always plain text in memory
    // Where every client made with these settings records its requests and
    // answers; null for nowhere. Copies share it.
    std::shared_ptr<HttpTrace> trace;
};

NetworkSettings& TheNetworkSettings();

// The stored form of the proxy password: every non-zero byte exclusive-or a
// fixed mask; its own inverse.
void ScramblePassword(wxString& password);
