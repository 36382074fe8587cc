#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <string>

// Makes the running program appear to live at `path` (argv[0]) for one test,
// so whatever is saved beside the program lands in a temporary folder.
class ProgramPathOverride
{
public:
    explicit ProgramPathOverride(const wxString& path);
    ~ProgramPathOverride();
    ProgramPathOverride(const ProgramPathOverride&) = delete;
    ProgramPathOverride& operator=(const ProgramPathOverride&) = delete;

private:
    wxArrayString saved;
};

// Points the "hosts" group's maker at `host` in the settings file.
void SetMakerHost(const std::string& host);

bool IsExecutable(const std::string& path);
