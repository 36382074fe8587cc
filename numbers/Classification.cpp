#include "numbers/Classification.h"

#include "numbers/JobEntry.h"
#include "numbers/UsNumber.h"

namespace {

Classification ClassifyUs(const wxString& number)
{
    const UsNumber us = NormalizeUsNumber(number);
    Classification result;
    result.kind = Classification::us;
    result.number = us.number;
    result.docId = us.docId;
    result.query = us.query;
    if (!us.docId.empty() || us.IsSerial())
        result.file = us.number + ".pdf";
    return result;
}

Classification ClassifyOther(const wxString& number)
{
    Classification result;
    result.kind = Classification::other;
    result.number = number;
    wxString file = number;
    file.Replace("/", "-");
    result.file = file + ".pdf";
    return result;
}

const char* KindName(Classification::Kind kind)
{
    switch (kind) {
    case Classification::us:
        return "us";
    case Classification::other:
        return "other";
    default:
        return "invalid";
    }
}

}  // namespace

Classification Classify(const wxString& entryText)
{
    const JobEntry entry(entryText);
    if (!entry.valid) {
        Classification result;
        result.number = entry.number;
        return result;
    }
    if (entry.kind == JobEntry::usDocument)
        return ClassifyUs(entry.number);
    return ClassifyOther(entry.number);
}

wxString Classification::Line() const
{
    return wxString::Format("kind=%s number=%s docid=%s file=%s query=%s", KindName(kind), number,
                            docId, file, query);
}
