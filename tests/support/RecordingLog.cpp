#include "RecordingLog.h"

RecordingLog::RecordingLog()
    : previous(wxLog::SetActiveTarget(this))
{
}

RecordingLog::~RecordingLog()
{
    wxLog::SetActiveTarget(previous);
}

std::vector<wxString> RecordingLog::Errors() const
{
    std::vector<wxString> out;
    for (const auto& r : records)
        if (r.level == wxLOG_Error)
            out.push_back(r.text);
    return out;
}

std::vector<wxString> RecordingLog::Messages() const
{
    std::vector<wxString> out;
    for (const auto& r : records)
        if (r.level == wxLOG_Message || r.level == wxLOG_Info)
            out.push_back(r.text);
    return out;
}

bool RecordingLog::Contains(const wxString& fragment) const
{
    for (const auto& r : records)
        if (r.text.Contains(fragment))
            return true;
    return false;
}

void RecordingLog::DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo&)
{
    records.push_back({level, msg});
}
