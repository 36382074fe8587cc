#include "jobs/JobEvents.h"

wxDEFINE_EVENT(EVT_JOB_STATUS, wxThreadEvent);
wxDEFINE_EVENT(EVT_JOB_DONE, wxThreadEvent);
wxDEFINE_EVENT(EVT_JOB_EXIT, wxThreadEvent);
wxDEFINE_EVENT(EVT_PAGE_FETCHED, wxThreadEvent);

wxThread* JobOfEvent(const wxThreadEvent& event)
{
    return event.GetPayload<wxThread*>();
}

void PostPageFetched(wxEvtHandler* handler)
{
    if (!handler)
        return;
    wxThreadEvent event(EVT_PAGE_FETCHED, -1);
    event.SetPayload<wxThread*>(nullptr);
    wxQueueEvent(handler, event.Clone());
}
