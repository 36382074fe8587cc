#include "update/updater.h"

#include "net/HttpSession.h"
#include "settings/Hosts.h"
#include "update/HandOver.h"
#include "update/Version.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/txtstrm.h>
#include <wx/wfstream.h>

#include <cstdlib>

wxDEFINE_EVENT(EVT_UPDATE_RESULT, wxThreadEvent);

namespace {

// The update service is always reached without the user's proxy settings.
std::unique_ptr<HttpSession> OpenMakerSession(const wxString& host, const HttpSession::StopTest& stop)
{
    auto session = std::make_unique<HttpSession>(0, wxString(), wxString(), wxString(), wxString());
    session->SetStopTest(stop);
    if (!session->IsReady() || !session->Connect(host))
        return nullptr;
    return session;
}

// The first word of the answer when it is a version number, else -1.
int VersionNumberOf(const wxString& word)
{
    const int maxDigits = 9;  // stays within int
    if (word.empty() || word.length() > maxDigits)
        return -1;
    for (wxUniChar c : word)
        if (c < '0' || c > '9')
            return -1;
    return static_cast<int>(std::strtol(word.utf8_str(), nullptr, 10));
}

}  // namespace

updater::updater(bool downloadMode, wxEvtHandler* frame)
    : wxThread(wxTHREAD_JOINABLE),
      currentVersion(VERSION_NUMBER),
      downloadMode(downloadMode),
      frame(frame),
      makerHost(Hosts::Load().maker),
      programDir(wxFileName(RunningProgramPath()).GetPath())
{
}

updater::~updater() = default;

wxString updater::UpdateFileName(int version)
{
    return wxString::Format("FolioHarvester-2.%02u.exe", static_cast<unsigned>(version));
}

wxString updater::TargetPath(int version) const
{
    return wxFileName(programDir, UpdateFileName(version)).GetFullPath();
}

wxThread::ExitCode updater::Entry()
{
    if (latestVersion == -1)
        latestVersion = QueryLatestVersion();
    if (TestDestroy())
        return 0;
    if (latestVersion == -1) {
        PostResult(UPDATE_FAILED);
    } else if (currentVersion < latestVersion) {
        if (TestDestroy())
            return 0;
        if (downloadMode)
            DownloadUpdate(latestVersion);
        else
            PostResult(UPDATE_AVAILABLE);
    } else {
        PostResult(UPDATE_CURRENT);
    }
    return 0;
}

int updater::QueryLatestVersion()
{
    auto session = OpenMakerSession(makerHost, [this] { return TestDestroy(); });
    if (!session)
        return -1;
    std::unique_ptr<wxInputStream> body = session->Request("/latest.html");
    // An error page is no answer, even one that begins with digits ("404 Not Found").
    if (!body || !body->IsOk() || session->GetStatusCode() != 200)
        return -1;
    wxTextInputStream text(*body, " \t");
    return VersionNumberOf(text.ReadWord());
}

bool updater::DownloadUpdate(int version)
{
    if (version <= 0) {
        PostResult(UPDATE_FAILED);
        return false;
    }
    const wxString target = TargetPath(version);
    auto session = OpenMakerSession(makerHost, [this] { return TestDestroy(); });
    if (!session) {
        PostResult(UPDATE_FAILED);
        return false;
    }
    std::unique_ptr<wxInputStream> body = session->Request("/download.html");
    // Only a complete 200 answer is a program; an error page is not saved.
    const bool gotProgram = body && session->IsReady() && session->GetStatusCode() == 200 &&
                            body->GetSize() > 0;
    if (!gotProgram) {
        if (!TestDestroy())
            PostResult(UPDATE_FAILED);
        return false;
    }
    if (!SaveBody(*body, target)) {
        PostResult(UPDATE_FAILED);
        return false;
    }
    PostResult(UPDATE_DOWNLOADED, target);
    return true;
}

// Writes under a temporary name beside the target and renames it into place
// only when complete, so no half-written program ever carries the final name.
bool updater::SaveBody(wxInputStream& body, const wxString& target)
{
    wxLogNull quiet;  // failures are reported by the result code alone
    const wxString temporary = wxFileName::CreateTempFileName(target);
    if (temporary.empty())
        return false;
    bool saved;
    {
        wxFileOutputStream out(temporary);
        out.Write(body);
        saved = out.IsOk() && body.GetLastError() != wxSTREAM_READ_ERROR && out.Close();
    }
    saved = saved && wxRenameFile(temporary, target, true);
    if (!saved) {
        wxRemoveFile(temporary);
        return false;
    }
    return wxFileName(target).SetPermissions(0755);
}

void updater::PostResult(int code, const wxString& path)
{
    wxThreadEvent event(EVT_UPDATE_RESULT, 0);
    event.SetInt(code);
    event.SetString(path);
    wxQueueEvent(frame, event.Clone());
}
