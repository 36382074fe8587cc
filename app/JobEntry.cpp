#include "app/JobEntry.h"

JobEntry::JobEntry(const wxString& entryText) : classified(Classify(entryText))
{
    number = classified.typed;
    finished = number.empty();
    valid = classified.Valid();
    if (valid)
        kind = classified.kind == Classification::us ? usDocument : otherOffice;
}
