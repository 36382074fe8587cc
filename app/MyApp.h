#pragma once

#include <wx/app.h>

// The application object: reads the window geometry and network settings,
// then builds and shows the main window.
class MyApp : public wxApp
{
public:
    bool OnInit() override;
};
