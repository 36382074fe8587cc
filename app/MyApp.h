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

    // SIGTERM, SIGINT and SIGHUP close the main window the way its close
    // box does (jobs stopped, their unfinished files deleted, settings
    // saved); a file-size limit fails the write instead of killing us.
    static void CloseMainWindowOnSignals();
};
