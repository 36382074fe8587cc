#include "update/HandOver.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include <vector>

wxArrayString HandOverArguments(const wxString& newProgram, const wxString& oldProgram)
{
    wxArrayString arguments;
    arguments.Add(newProgram);
    arguments.Add("delete");
    arguments.Add(oldProgram);
    return arguments;
}

HandOverActions HandOverActions::Defaults()
{
    HandOverActions actions;
    // The new program's result is of no interest: this one is ending.
    actions.launch = [](const wxArrayString& arguments) {
        std::vector<const wchar_t*> argv;
        for (const wxString& argument : arguments)
            argv.push_back(argument.wc_str());
        argv.push_back(nullptr);
        wxExecute(argv.data(), wxEXEC_ASYNC);
    };
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
