#pragma once

#include <wx/event.h>

class wxThread;

// Events a download job posts to the handler it was given. They are the
// toolkit's thread events (wxBase, and their string is copied safely across
// threads): id = the job's row (-1 for a fetched page), string = the status
// text or the PDF's full path, payload = the job that posted it.
wxDECLARE_EVENT(EVT_JOB_STATUS, wxThreadEvent);
wxDECLARE_EVENT(EVT_JOB_DONE, wxThreadEvent);
wxDECLARE_EVENT(EVT_JOB_EXIT, wxThreadEvent);
wxDECLARE_EVENT(EVT_PAGE_FETCHED, wxThreadEvent);

// The job that posted `event`; null for a fetched-page event. Every job
// event carries this payload, null or not.
wxThread* JobOfEvent(const wxThreadEvent& event);

// One page fetched from the USPTO or from EPO OPS, for the status line's
// counter and the usage warning; null handler: nothing is posted.
void PostPageFetched(wxEvtHandler* handler);
