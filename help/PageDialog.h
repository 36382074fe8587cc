#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

class wxWindow;

// Shows an HTML page in a modal, resizable dialog over `parent`, with an OK
// button under it; links within the page scroll, others open in the browser.
void ShowPageDialog(wxWindow* parent, const wxString& title, const wxSize& size, const wxString& page);
