#pragma once

#include <wx/string.h>

#include <functional>

// The command that starts the newly downloaded program with the arguments
// "delete" and the old program's path, so the new one can offer to remove
// the old. Both paths are quoted, since either may contain blanks.
wxString HandOverCommandLine(const wxString& newProgram, const wxString& oldProgram);

// The two irreversible steps of handing over to a new program: starting it
// and ending this process. Tests replace them to watch a hand-over without
// starting anything or ending the test process.
struct HandOverActions
{
    std::function<void(const wxString& commandLine)> launch;
    std::function<void()> exitProcess;

    // An asynchronous wxExecute and exit(0).
    static HandOverActions Defaults();
};

// The running program's own path: argv[0] when it is absolute, otherwise the
// executable's path as the system reports it, since a relative argv[0] no
// longer names the program once the working directory (the save folder)
// has changed.
wxString RunningProgramPath();
