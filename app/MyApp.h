#pragma once

#include <wx/app.h>

class MyFrame;

// The application object: reads the window geometry and network settings,
// then builds and shows the main window.
class MyApp : public wxApp
{
public:
    bool OnInit() override;

    // Everything OnInit does: settings first, then the shown main window.
    static MyFrame* CreateMainWindow();
};
