#include "jobs/StopThread.h"

#include <wx/thread.h>

void StopThread(wxThread& thread)
{
    thread.Delete();
#ifndef __WINDOWS__
    // Elsewhere Delete() leaves a thread that had ended unjoined; on Windows
    // it has joined it and closed its handle, and a Wait() would fail.
    thread.Wait();
#endif
}
