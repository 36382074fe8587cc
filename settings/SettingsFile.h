#pragma once

#include <wx/fileconf.h>

// A wxFileConfig that keeps its file readable by its owner only, also when
// an older file with wider permissions is rewritten (wxFileConfig keeps the
// mode of the file it replaces). `chosen` empty: the user's own file in HOME;
// a file named on the command line is only read, and its mode stays the user's.
class SettingsFile : public wxFileConfig
{
public:
    explicit SettingsFile(const wxString& chosen);
    ~SettingsFile() override;

private:
    wxString path;
};
