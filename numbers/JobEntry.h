#pragma once

#include <wx/string.h>

class uspto;
class pct;

// The job record of one row of the job list; the row owns it. Built from the
// entry text exactly as typed, which also decides the kind of job.
struct JobEntry
{
    enum Kind { usDocument = 0, otherOffice = 1 };

    wxString pdfPath;       // reported by the job when its PDF is complete
    wxString number;        // the entry text without "," and " "
    long row = 0;           // row index at insertion; the id of the job's events
    bool finished = false;  // thread ended and reaped, or stopped; also for an empty number
    uspto* usJob = nullptr;
    pct* epJob = nullptr;
    int kind = usDocument;
    bool valid = false;

    explicit JobEntry(const wxString& entryText);
};
