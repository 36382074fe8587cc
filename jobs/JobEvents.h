#pragma once

#include <wx/event.h>

// Events a download job posts to the handler it was given. Each is a plain
// wxCommandEvent: id = the job's row (-1 for a fetched page), string = the
// status text or the PDF's full path, client data = the job as its
// wxThread address (a wxThread is no wxObject, so the event object is null).
extern const wxEventType EVT_JOB_STATUS;
extern const wxEventType EVT_JOB_DONE;
extern const wxEventType EVT_JOB_EXIT;
extern const wxEventType EVT_PAGE_FETCHED;

// One page added from the US office; null handler: nothing is posted.
void PostPageFetched(wxEvtHandler* handler);
