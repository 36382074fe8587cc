#include "app/MyApp.h"

#include "app/MyFrame.h"
#include "app/StartupSettings.h"

#include <wx/log.h>

#include <csignal>

#ifndef __WINDOWS__
namespace {

// Called from the event loop, not from the signal itself, so the window can
// be closed as usual.
void CloseMainWindow(int)
{
    if (wxWindow* window = wxTheApp->GetTopWindow())
        window->Close();
}

}  // namespace
#endif

// wxApp::OnInit is not called: its command-line parser would refuse the
// "delete <path>" arguments a previous version hands over.
bool MyApp::OnInit()
{
    CloseMainWindowOnSignals();
    CreateMainWindow();
    return true;
}

MyFrame* MyApp::CreateMainWindow()
{
    // The settings store is closed before the window opens its own, so the
    // window's writes (such as lastCheck) are not overwritten by this one.
    const StartupSettings settings = StartupSettings::Load();
    // Message boxes are titled by this name, which wx would otherwise make of
    // the program file's ("Folioharvester").
    wxTheApp->SetAppDisplayName("FolioHarvester");
    MyFrame* frame = new MyFrame("FolioHarvester", settings.position, settings.size);
    frame->Show(true);
    wxString mistakes;
    for (const wxString& line : settings.mistakes)
        mistakes << (mistakes.empty() ? "" : "\n") << line;
    if (!mistakes.empty())
        wxLogWarning("%s", mistakes);
    return frame;
}

void MyApp::CloseMainWindowOnSignals()
{
    // Windows has no such signals: it closes the window with its own
    // messages, which the toolkit handles like the close box.
#ifndef __WINDOWS__
    for (int stop : {SIGTERM, SIGINT, SIGHUP})
        wxTheApp->SetSignalHandler(stop, CloseMainWindow);
    // A file-size limit or a peer gone away fails the write, which the job
    // reports, instead of ending the program mid-document.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}
