#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <functional>

// The arguments that start the newly downloaded program: its path, "delete"
// and the old program's path, so the new one can offer to remove the old.
wxArrayString HandOverArguments(const wxString& newProgram, const wxString& oldProgram);

// The irreversible step of handing over to a new program: starting it. Tests
// replace it to watch a hand-over without starting anything.
struct HandOverActions
{
    std::function<void(const wxArrayString& arguments)> launch;

    // An asynchronous wxExecute of the argument vector: no shell reads the
    // paths, so any path works unquoted.
    static HandOverActions Defaults();
};

// The running program's own path: argv[0] when it is absolute, otherwise the
// executable's path as the system reports it, since a relative argv[0] no
// longer names the program once the working directory (the save folder)
// has changed.
wxString RunningProgramPath();
