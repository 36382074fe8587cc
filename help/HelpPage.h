#pragma once

#include <wx/string.h>

class wxWindow;

// The whole help page: header with version and build date, table of
// contents, one section per kind of number, the OPS key and the routes,
// terms and credits.
wxString BuildHelpPage();

// Builds the page and shows it in a modal dialog over `parent`.
void ShowHelpDialog(wxWindow* parent);
