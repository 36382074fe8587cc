#pragma once

#include <wx/event.h>
#include <wx/stream.h>
#include <wx/string.h>
#include <wx/thread.h>

// Result event of an update run (a thread event, so it needs wxBase only):
// id 0, GetInt() = the code below, GetString() = the saved file's full path
// for UPDATE_DOWNLOADED.
wxDECLARE_EVENT(EVT_UPDATE_RESULT, wxThreadEvent);

enum UpdateResult
{
    UPDATE_DOWNLOADED = 0,
    UPDATE_CURRENT = 1,
    UPDATE_AVAILABLE = 2,
    UPDATE_FAILED = 3
};

// Asks the maker's server for the latest version and, in download mode,
// fetches the newer program next to the running one. Posts exactly one
// EVT_UPDATE_RESULT to `frame`, or none when asked to stop.
class updater : public wxThread
{
public:
    updater(bool downloadMode, wxEvtHandler* frame);
    ~updater() override;

    // The version number "/latest.html" answers with status 200, else -1.
    int QueryLatestVersion();
    bool DownloadUpdate(int version);

    // "FolioHarvester-2.24.exe" for 24; versions of 100 and more keep all digits.
    static wxString UpdateFileName(int version);
    // Where DownloadUpdate saves `version`: beside the running program.
    wxString TargetPath(int version) const;

protected:
    ExitCode Entry() override;

private:
    void PostResult(int code, const wxString& path = wxString());
    bool SaveBody(wxInputStream& body, const wxString& target);

    int currentVersion;
    int latestVersion = -1;
    bool downloadMode;
    wxEvtHandler* frame;

    // Copied on the constructing (GUI) thread: the thread reads no settings.
    wxString makerHost;
    wxString programDir;
};
