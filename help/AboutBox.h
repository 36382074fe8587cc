#pragma once

#include <wx/string.h>

class wxWindow;

// The "About FolioHarvester" page: the version, the libraries the programs
// are built on with their licences, and the project's address.
wxString BuildAboutPage();

// Builds the page and shows it in a modal dialog over `parent`.
void ShowAboutDialog(wxWindow* parent);
