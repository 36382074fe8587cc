#pragma once

#include <wx/gdicmn.h>

// What start-up reads from the settings store before the main window exists:
// the window placement (corrected to usable limits) and, as a side effect,
// the program-wide network settings, with the older proxy layout migrated
// and the trace file FOLIOHARVESTER_TRACE names.
struct StartupSettings
{
    wxPoint position{50, 50};
    wxSize size{400, 240};

    static StartupSettings Load();
};
