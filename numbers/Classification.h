#pragma once

#include <wx/string.h>

// What an entry text names, in the terms the job would use: the kind of job,
// the number it gets, the image servers' id, the output file and, for a US
// application serial number, the query that resolves it.
struct Classification
{
    enum Kind { us, other, invalid };

    Kind kind = invalid;
    wxString typed;     // what a job is given: the entry text without "," and " ",
                        // a US number as cited (US 6,103,599 B1) without its codes
    wxString number;    // the short form that names the file (the typed one for other offices)
    wxString docId;     // empty for a serial number: only the search yields it
    wxString file;      // empty for an entry of no known format
    wxString query;

    bool Valid() const { return kind != invalid; }
    // "kind=us|other|invalid number=N docid=D file=F query=Q"
    wxString Line() const;
};

Classification Classify(const wxString& entryText);
