#pragma once

#include "numbers/Classification.h"

#include <wx/string.h>

class pat2pdf;

// The job record of one row of the job list; the row owns it. Built from the
// entry text exactly as typed, whose classification decides the job.
struct JobEntry
{
    enum Kind { usDocument = 0, otherOffice = 1 };

    wxString pdfPath;       // reported by the job when its PDF is complete
    wxString number;        // what the job is given (Classification::typed)
    long row = 0;           // row index at insertion; the id of the job's events
    bool finished = false;  // thread ended and reaped, or stopped; also for an empty number
    pat2pdf* job = nullptr; // the job thread while it exists, else null
    int kind = usDocument;
    bool valid = false;
    Classification classified;  // what the entry names; the job is chosen by it

    explicit JobEntry(const wxString& entryText);
};
