#include "jobs/StopThread.h"

#include <wx/thread.h>

void StopThread(wxThread& thread)
{
    thread.Delete();
    thread.Wait();  // joins once; a no-op when Delete already did
}
