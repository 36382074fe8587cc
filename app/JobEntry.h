#pragma once

#include "jobs/JobQueue.h"
#include "numbers/Classification.h"

#include <wx/string.h>

// The job record of one row of the job list; the row owns it. Built from the
// entry text exactly as typed, whose classification decides the job.
struct JobEntry
{
    enum Kind { usDocument = 0, otherOffice = 1 };

    wxString pdfPath;             // reported by the job when its PDF is complete
    wxString number;              // what the job is given (Classification::typed)
    long row = 0;                 // row index at insertion; the id of the job's events
    bool finished = false;        // thread ended and reaped, or stopped; also for an empty number
    JobQueue::Ticket ticket = 0;  // the entry in the window's job queue; 0 before it is queued
    int kind = usDocument;
    bool valid = false;
    Classification classified;  // what the entry names; the job is chosen by it

    explicit JobEntry(const wxString& entryText);
};
