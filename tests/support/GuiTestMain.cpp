// main() of the GUI test binaries: a real wxApp whose main loop runs the
// GoogleTest cases, so windows, timers and posted events behave as in the
// program. wxWidgets asserts become test failures.
#include "GuiTest.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/stopwatch.h>
#include <wx/window.h>

#include <cstdlib>

#include <dlfcn.h>

#include <stdexcept>

namespace {

class TestApp : public wxApp
{
public:
    bool OnInit() override
    {
        SetExitOnFrameDelete(false);
        // Stray log messages go to stderr: a message box nobody answers
        // would hold the test process forever.
        delete wxLog::SetActiveTarget(new wxLogStderr);
        CallAfter([this] {
            result = RUN_ALL_TESTS();
            ExitMainLoop();
        });
        return true;
    }
    // wxEntry returns what OnRun returns, so the test result must leave here.
    int OnRun() override
    {
        wxApp::OnRun();
        return result;
    }
    int result = 1;
};

void ThrowingAssertHandler(const wxString& file, int line, const wxString& func,
                           const wxString& cond, const wxString& msg)
{
    ADD_FAILURE() << "wxWidgets assert: " << cond << " " << msg << " in " << func << " at "
                  << file << ":" << line;
}

}  // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    wxStopWatch watch;
    while (!done()) {
        if (watch.Time() > timeoutMs)
            return false;
        wxEventLoopBase* loop = wxEventLoopBase::GetActive();
        if (loop)
            loop->DispatchTimeout(20);
        wxTheApp->ProcessPendingEvents();
    }
    return true;
}

void PumpFor(int ms)
{
    wxStopWatch watch;
    PumpUntil([&] { return watch.Time() >= ms; }, ms + 1000);
}

// Read through GTK itself (found at run time, since the tests link GTK only
// through wx): the window's own pixels, whatever lies above or below it.
void SaveScreenshot(wxWindow* window, const std::string& name)
{
    const char* dir = std::getenv("FH_SCREENSHOT_DIR");
    if (!dir)
        return;
    using GetWindow = void* (*)(void*);
    using GetPixbuf = void* (*)(void*, int, int, int, int);
    using Save = int (*)(void*, const char*, const char*, void**, ...);
    using Unref = void (*)(void*);
    auto getWindow = reinterpret_cast<GetWindow>(dlsym(RTLD_DEFAULT, "gtk_widget_get_window"));
    auto getPixbuf = reinterpret_cast<GetPixbuf>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_get_from_window"));
    auto save = reinterpret_cast<Save>(dlsym(RTLD_DEFAULT, "gdk_pixbuf_save"));
    auto unref = reinterpret_cast<Unref>(dlsym(RTLD_DEFAULT, "g_object_unref"));
    if (!getWindow || !getPixbuf || !save || !unref)
        return;
    window->Refresh();
    PumpFor(500);
    const wxSize size = window->GetSize();
    void* pixbuf = getPixbuf(getWindow(window->GetHandle()), 0, 0, size.x, size.y);
    if (!pixbuf)
        return;
    const std::string path = std::string(dir) + "/" + name + ".png";
    save(pixbuf, path.c_str(), "png", nullptr, nullptr);
    unref(pixbuf);
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(ThrowingAssertHandler);
    wxApp::SetInstance(new TestApp);
    return wxEntry(argc, argv);
}
