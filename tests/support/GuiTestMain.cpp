// main() of the GUI test binaries: a real wxApp whose main loop runs the
// GoogleTest cases, so windows, timers and posted events behave as in the
// program. wxWidgets asserts become test failures.
#include "GuiTest.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/stopwatch.h>

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

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxSetAssertHandler(ThrowingAssertHandler);
    wxApp::SetInstance(new TestApp);
    return wxEntry(argc, argv);
}
