#include "update/HandOver.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include <cstdlib>

wxString HandOverCommandLine(const wxString& newProgram, const wxString& oldProgram)
{
    return wxString::Format("\"%s\" delete \"%s\"", newProgram, oldProgram);
}

HandOverActions HandOverActions::Defaults()
{
    HandOverActions actions;
    // The new program's result is of no interest: this one ends right after.
    actions.launch = [](const wxString& commandLine) { wxExecute(commandLine, wxEXEC_ASYNC); };
    actions.exitProcess = [] { std::exit(0); };
    return actions;
}

wxString RunningProgramPath()
{
    wxAppConsole* app = wxAppConsole::GetInstance();
    if (app && app->argc > 0) {
        wxFileName argv0(app->argv[0]);
        if (argv0.IsAbsolute())
            return argv0.GetFullPath();
    }
    return wxStandardPaths::Get().GetExecutablePath();
}
