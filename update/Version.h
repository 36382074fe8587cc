#pragma once

#include <wx/string.h>

// The program's version number, compared with the update server's.
constexpr int VERSION_NUMBER = 23;

// "2.23": saved as the setting "Version" and shown on the help page.
extern const wxString versionText;
