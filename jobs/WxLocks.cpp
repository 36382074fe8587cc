#include "jobs/WxLocks.h"

#include <wx/log.h>
#include <wx/thread.h>

namespace {

// Does what a job thread does with wx's shared state: logging quietly,
// asking the log levels and trace masks, ending.
class FirstThread : public wxThread
{
public:
    FirstThread() : wxThread(wxTHREAD_JOINABLE) {}

protected:
    ExitCode Entry() override
    {
        wxLogNull quiet;
        wxLog::IsLevelEnabled(wxLOG_Debug, wxString());
        wxLog::IsAllowedTraceMask(wxString());
        return nullptr;
    }
};

}  // namespace

void BuildWxLocksEarly()
{
    FirstThread thread;
    if (thread.Run() == wxTHREAD_NO_ERROR)
        thread.Wait();
}
