#pragma once

#include "check/CheckLine.h"

#include <wx/string.h>

#include <string>
#include <vector>

class wxWindow;

// The network check's lines as an HTML page, one paragraph each as the
// command line prints them, then the update server's proxy test page as it
// came, when one did.
wxString CheckResultPage(const std::vector<CheckLine>& lines, const std::string& proxyTestPage);

// Shows `page` in a modal window titled `title`, closed with OK.
void ShowCheckResult(wxWindow* parent, const wxString& title, const wxString& page);
