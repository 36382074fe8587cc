#include "jobs/LibraryState.h"

#include <qpdf/QPDFLogger.hh>
#include <wx/log.h>
#include <wx/thread.h>

namespace {

// Does what a job thread does with the libraries' shared state: logging
// quietly, asking the log levels and trace masks, reading a PDF, ending.
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
        QPDFLogger::defaultLogger();
        return nullptr;
    }
};

}  // namespace

void BuildLibraryStateEarly()
{
    FirstThread thread;
    if (thread.Run() == wxTHREAD_NO_ERROR)
        thread.Wait();
}
