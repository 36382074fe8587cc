#include "jobs/JobEvents.h"

const wxEventType EVT_JOB_STATUS = wxNewEventType();
const wxEventType EVT_JOB_DONE = wxNewEventType();
const wxEventType EVT_JOB_EXIT = wxNewEventType();
const wxEventType EVT_PAGE_FETCHED = wxNewEventType();

void PostPageFetched(wxEvtHandler* handler)
{
    if (!handler)
        return;
    wxCommandEvent event(EVT_PAGE_FETCHED, -1);
    wxQueueEvent(handler, event.Clone());
}
