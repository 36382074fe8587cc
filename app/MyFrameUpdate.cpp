// The main window's part of the self-update: when to check, what the user is
// told about the result, and the hand-over to a downloaded program.
#include "app/MyFrame.h"

#include "net/SettingsStore.h"
#include "update/HandOver.h"
#include "update/updater.h"

#include <wx/app.h>
#include <wx/busyinfo.h>
#include <wx/datetime.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <ctime>

namespace {

const int updateStatusField = 1;

// A started update thread, or null (with the status line saying so) when
// the system would not give it a thread.
updater* LaunchUpdater(bool downloadMode, MyFrame* frame)
{
    auto* thread = new updater(downloadMode, frame);
    if (thread->Create() != wxTHREAD_NO_ERROR || thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        frame->SetStatusText("Error Updating!", updateStatusField);
        return nullptr;
    }
    return thread;
}

void StoreLastCheckNow()
{
    auto config = OpenSettingsStore();
    config->Write("lastCheck", static_cast<long>(std::time(nullptr)));
}

bool UpdateCheckDue()
{
    auto config = OpenSettingsStore();
    const long now = static_cast<long>(std::time(nullptr));
    if (!config->HasEntry("lastCheck")) {
        config->Write("lastCheck", now);
        return true;
    }
    const long lastCheck = config->ReadLong("lastCheck", now);
    const wxDateTime due = wxDateTime(static_cast<time_t>(lastCheck)) + wxDateSpan::Days(60);
    return due.IsEarlierThan(wxDateTime::UNow());
}

// Keeps the GUI thread handling events (the jobs' exit events among them)
// for a short while.
void DispatchEventsBriefly()
{
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (loop)
        loop->DispatchTimeout(50);
    else
        wxMilliSleep(50);
    if (wxTheApp)
        wxTheApp->ProcessPendingEvents();
}

}  // namespace

void MyFrame::StartUpdateCheck()
{
    if (!UpdateCheckDue())
        return;
    SetStatusText("Checking for available updates...", updateStatusField);
    updateThread = LaunchUpdater(false, this);
}

void MyFrame::OnUpdateMenu(wxCommandEvent&)
{
    if (updateThread)
        return;
    updateRequested = true;
    SetStatusText("Downloading any available updates...", updateStatusField);
    updateThread = LaunchUpdater(true, this);
}

void MyFrame::OnUpdateResult(wxThreadEvent& event)
{
    if (updateThread) {
        updateThread->Wait();
        delete updateThread;
        updateThread = nullptr;
    }

    const int code = event.GetInt();
    if (code != UPDATE_DOWNLOADED && code != UPDATE_CURRENT && code != UPDATE_AVAILABLE) {
        SetStatusText("Error Updating!", updateStatusField);
        if (updateRequested)
            wxLogMessage("Error Updating!");
        return;
    }

    StoreLastCheckNow();
    if (code == UPDATE_CURRENT) {
        SetStatusText("Running Latest Version", updateStatusField);
        if (updateRequested)
            wxLogMessage("Running Latest Version");
    } else if (code == UPDATE_DOWNLOADED) {
        const wxString path = event.GetString();
        const wxString question =
            wxString("The latest FolioHarvester has been succesfully downloaded to \"") + path +
            "\"\n\n\nWould you like to exit and run the latest version now?";
        if (wxMessageBox(question, "Latest FolioHarvester Ready", wxYES_NO | wxICON_QUESTION, this) ==
            wxYES) {
            const wxString commandLine = HandOverCommandLine(path, RunningProgramPath());
            handOver.launch(commandLine);
            wxWindowDisabler disableAll;
            wxBusyInfo busy("Waiting for download to complete!...");
            while (!waitingJobs.empty())
                DispatchEventsBriefly();
            handOver.exitProcess();
        }
    } else {
        SetStatusText("Update Available!", updateStatusField);
        if (wxMessageBox("An updated FolioHarvester is available!\n Would you like to download it now?",
                         "Latest FolioHarvester Available!", wxYES_NO | wxICON_QUESTION,
                         this) == wxYES) {
            SetStatusText("Downloading latest version...", updateStatusField);
            updateThread = LaunchUpdater(true, this);
        } else {
            SetStatusText("Update Available!", updateStatusField);
        }
    }
}
