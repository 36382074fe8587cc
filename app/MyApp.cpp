#include "app/MyApp.h"

#include "app/MyFrame.h"
#include "app/StartupSettings.h"

// wxApp::OnInit is not called: its command-line parser would refuse the
// "delete <path>" arguments a previous version hands over.
bool MyApp::OnInit()
{
    CreateMainWindow();
    return true;
}

MyFrame* MyApp::CreateMainWindow()
{
    // The settings store is closed before the window opens its own, so the
    // window's writes (such as lastCheck) are not overwritten by this one.
    const StartupSettings settings = StartupSettings::Load();
    MyFrame* frame = new MyFrame("FolioHarvester", settings.position, settings.size);
    frame->Show(true);
    return frame;
}
