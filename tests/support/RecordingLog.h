#pragma once

#include <wx/log.h>

#include <vector>

// Records log messages instead of showing message boxes; restores the
// previous target when it goes out of scope.
class RecordingLog : public wxLog
{
public:
    struct Record
    {
        wxLogLevel level;
        wxString text;
    };

    RecordingLog();
    ~RecordingLog() override;

    const std::vector<Record>& Records() const { return records; }
    std::vector<wxString> Errors() const;
    std::vector<wxString> Messages() const;  // wxLogMessage / wxLogInfo
    bool Contains(const wxString& fragment) const;
    void Clear() { records.clear(); }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& msg, const wxLogRecordInfo& info) override;

private:
    std::vector<Record> records;
    wxLog* previous;
};
