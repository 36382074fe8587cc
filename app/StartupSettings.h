#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>

#include <vector>

// What start-up reads from the settings store before the main window exists:
// the window placement (corrected to usable limits) and, as a side effect,
// the program-wide network settings, with the older proxy layout migrated
// and the trace file FOLIOHARVESTER_TRACE names.
struct StartupSettings
{
    wxPoint position{50, 50};
    wxSize size{400, 240};
    // One line for each value of the store that was not understood and
    // replaced by its default, for the user to hear once.
    std::vector<wxString> mistakes;

    static StartupSettings Load();
};
