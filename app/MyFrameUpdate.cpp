// The main window's part of the self-update: when to check, what the user is
// told about the result, and the hand-over to a downloaded program.
#include "app/MyFrame.h"

#include "settings/Hosts.h"
#include "settings/SettingsStore.h"
#include "update/HandOver.h"
#include "update/updater.h"

#include <wx/app.h>
#include <wx/datetime.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/utils.h>

#include <ctime>

namespace {

const int updateStatusField = 1;
const char readyCaption[] = "Latest FolioHarvester Ready";

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
    // Without an update server there is nothing to check and nothing to say.
    if (!Hosts::Load().HasUpdateServer() || !UpdateCheckDue())
        return;
    SetStatusText("Checking for available updates...", updateStatusField);
    updateThread = LaunchUpdater(false, this);
}

void MyFrame::OnUpdateMenu(wxCommandEvent&)
{
    if (updateThread)
        return;
    if (!Hosts::Load().HasUpdateServer()) {
        wxLogMessage("No update server is configured. To check for updates, set maker=HOST in the "
                     "[hosts] group of the settings %s %s.",
                     userSettingsKind, userSettingsPlace);
        return;
    }
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
        if (wxMessageBox(question, readyCaption, wxYES_NO | wxICON_QUESTION, this) == wxYES)
            HandOverTo(path);
    } else {
        SetStatusText("Update Available!", updateStatusField);
        if (wxMessageBox("An updated FolioHarvester is available!\n Would you like to download it now?",
                         "Latest FolioHarvester Available!", wxYES_NO | wxICON_QUESTION, this) == wxYES) {
            SetStatusText("Downloading latest version...", updateStatusField);
            updateThread = LaunchUpdater(true, this);
        } else {
            SetStatusText("Update Available!", updateStatusField);
        }
    }
}

// Hands over once no download runs any more, so none is cut off, and leaves
// through the normal close, so every setting is saved before the new program
// reads them.
void MyFrame::HandOverTo(const wxString& newProgram)
{
    if (!WaitForRunningJobs()) {
        SetStatusText("Update Cancelled", updateStatusField);
        jobs.Fill();
        return;
    }
    const wxArrayString arguments = HandOverArguments(newProgram, RunningProgramPath());
    const HandOverActions actions = handOver;
    Close(true);
    actions.launch(arguments);
}

// Keeps the jobs' events flowing, starting no waiting job, until the running
// jobs have ended; false when the user cancelled the wait.
bool MyFrame::WaitForRunningJobs()
{
    if (jobs.RunningCount() == 0)
        return true;
    jobs.Hold(true);
    bool cancelled = false;
    {
        wxProgressDialog wait(readyCaption, "Waiting for download to complete!...", 100, this,
                              wxPD_APP_MODAL | wxPD_CAN_ABORT);
        while (jobs.RunningCount() != 0 && !cancelled) {
            DispatchEventsBriefly();
            cancelled = !wait.Pulse();
        }
    }
    jobs.Hold(false);
    return !cancelled;
}
