// The main window's side of the download jobs: rows, queues, job events and
// the actions on the selected rows.
#include "app/MyFrame.h"

#include "app/JobListView.h"

#include "jobs/JobEvents.h"
#include "jobs/JobRoute.h"
#include "jobs/StopThread.h"
#include "jobs/pat2pdf.h"
#include "net/FetchSettings.h"
#include "numbers/FormatHelp.h"
#include "numbers/JobEntry.h"

#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace {

const char usptoNotice[] =
    "These databases are intended for use by the general public. Due to limitations of "
    "equipment and bandwidth, they are not intended to be a source for bulk downloads of USPTO "
    "data. Bulk data may be purchased from USPTO at cost (see the USPTO Products and Services "
    "Catalog).  Individuals, companies, IP addresses, or blocks of IP addresses who, in effect, "
    "deny service to the general public by generating unusually high numbers (10,000 or more) of "
    "daily database accesses (searches, pages, or hits), whether generated manually or in an "
    "automated fashion, may be denied access to these servers without notice.";

wxString UsageWarning(int pages)
{
    return wxString::Format("Warning, the USPTO will block excessive usage of their site!  "
                            "FolioHarvester will not be held responsible for excessive use of "
                            "USPTO systems, resulting in blocked access!  You have downloaded "
                            "%d pages",
                            pages) +
           "\n\nFrom http://patft.uspto.gov/patft/help/access.htm\n\n\"" + usptoNotice + "\"";
}

template <typename T>
bool RemoveOne(std::vector<T>& list, const T& value)
{
    auto it = std::find(list.begin(), list.end(), value);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

template <typename T>
void AddOnce(std::vector<T>& list, const T& value)
{
    if (std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(value);
}

// Row marks follow their rows when a row above them goes.
void ForgetRow(std::vector<int>& marks, int row)
{
    marks.erase(std::remove(marks.begin(), marks.end(), row), marks.end());
    for (int& mark : marks)
        if (mark > row)
            --mark;
}

// wxRemoveFile reports its own failure; only ours is meant for the user, and
// only when the file is still there.
bool RemoveQuietly(const wxString& path)
{
    wxLogNull quiet;
    return wxRemoveFile(path);
}

const void* JobOf(const JobEntry* entry)
{
    return static_cast<const wxThread*>(entry->job);
}

}  // namespace

JobEntry* MyFrame::EntryAt(long row) const
{
    return reinterpret_cast<JobEntry*>(listCtrl->GetItemData(row));
}

long MyFrame::RowOf(const JobEntry* entry) const
{
    for (long row = 0; row < listCtrl->GetItemCount(); ++row)
        if (EntryAt(row) == entry)
            return row;
    return -1;
}

// The row of the job that posted `event`, or -1 when that job no longer has
// one (removed, stopped, or an event that names no job we run).
long MyFrame::RowOfEvent(const wxThreadEvent& event) const
{
    const void* job = JobOfEvent(event);
    // Until rows above it go, a job's row is the one it was given: long
    // lists are not searched for every page.
    const long given = event.GetId();
    if (job && given >= 0 && given < listCtrl->GetItemCount())
        if (const JobEntry* entry = EntryAt(given); entry && JobOf(entry) == job)
            return given;
    for (long row = 0; row < listCtrl->GetItemCount(); ++row) {
        const JobEntry* entry = EntryAt(row);
        if (!entry)
            continue;
        if (job ? JobOf(entry) == job : (entry->row == event.GetId() && !entry->finished))
            return row;
    }
    return -1;
}

void MyFrame::SetStatus(long row, const wxString& text)
{
    listCtrl->SetItem(row, 1, text);
    if (row == statusLineRow)
        ShowStatusLine();
}

void MyFrame::ShowStatusLine()
{
    statusLineDue = false;
    statusLineRow = listCtrl->GetSelectedItemCount() == 1 ? listCtrl->GetFirstSelected() : -1;
    const wxString text = statusLineRow == -1
                              ? wxString::Format("%d Pages Downloaded from the USPTO", pagesFromUspto)
                              : listCtrl->GetItemText(statusLineRow, 1);
    if (GetStatusBar()->GetStatusText(0) != text)
        SetStatusText(text, 0);
    if (statusLineRow == -1)
        GetStatusBar()->UnsetToolTip();
    else
        GetStatusBar()->SetToolTip(text);
}

// A click or a range selection sends one event per row: the line is set
// once they are all handled.
void MyFrame::ShowStatusLineLater()
{
    if (statusLineDue)
        return;
    statusLineDue = true;
    CallAfter(&MyFrame::ShowStatusLine);
}

void MyFrame::OnSelectionChanged(wxListEvent& event)
{
    event.Skip();
    ShowStatusLineLater();
}

void MyFrame::OnAddNumber(wxCommandEvent&)
{
    const wxString text = textCtrl->GetValue();
    if (text.empty())
        return;
    JobEntry* entry = new JobEntry(text);
    if (!entry->valid) {
        delete entry;
        wxLogError("%s", UnknownFormatMessage(text));
        return;
    }
    listView->ShowRow(AddRow(text, entry));
    textCtrl->SetValue(wxEmptyString);
    textCtrl->SetFocus();
}

long MyFrame::AddRow(const wxString& text, JobEntry* entry)
{
    const long row = listCtrl->InsertItem(listCtrl->GetItemCount(), text);
    listCtrl->SetItemPtrData(row, reinterpret_cast<wxUIntPtr>(entry));
    SetStatus(row, "Waiting");
    entry->row = row;

    if (!waitingForHandOver && runningJobs.size() < static_cast<unsigned long>(maxThreads)) {
        runningJobs.push_back(entry);
        StartJob(entry);
    } else {
        waitingJobs.push_back(entry);
    }
    return row;
}

void MyFrame::ShowEndedRow(long row)
{
    const JobEntry* entry = EntryAt(row);
    if (entry && (entry->pdfPath.empty() || listCtrl->GetItemText(row, 1) == "Finished!"))
        listView->ShowRowUnlessScrolling(row);
}

void MyFrame::StartJob(JobEntry* entry)
{
    FetchSettings settings = FetchSettings::Load();
    // The setup dialog's changes reach the store only at shutdown.
    settings.network = TheNetworkSettings();
    pat2pdf* job = MakeJob(entry->classified, static_cast<int>(entry->row), this, settings,
                           opsContext.get(), ppubsContext.get());
    entry->job = job;
    if (job && job->Create() == wxTHREAD_NO_ERROR && job->Run() == wxTHREAD_NO_ERROR)
        return;

    // A thread that never ran must not leave its row "Downloading" and its
    // place taken for good.
    entry->job = nullptr;
    if (job)
        RetireJob(job);
    entry->finished = true;
    RemoveOne(runningJobs, entry);
    const long row = RowOf(entry);
    if (row != -1) {
        SetStatus(row, "Error starting download");
        ShowEndedRow(row);
    }
    StartNextWaitingJob();
}

void MyFrame::StopJob(JobEntry* entry)
{
    if (pat2pdf* job = entry->job) {
        StopThread(*job);
        entry->job = nullptr;
        RetireJob(job);
    }
    entry->finished = true;
}

// A stopped job's events may still be queued; they are dropped because no
// entry points at the job any more. It is deleted only behind them, so no
// new job can be allocated at its address while they are in the queue.
void MyFrame::RetireJob(wxThread* job)
{
    if (closeCount > 0) {
        delete job;
        return;
    }
    retiredJobs.push_back(job);
    CallAfter(&MyFrame::DeleteRetiredJob, job);
}

void MyFrame::DeleteRetiredJob(wxThread* job)
{
    if (RemoveOne(retiredJobs, job))
        delete job;
}

void MyFrame::FillRunningJobs()
{
    if (waitingForHandOver)
        return;
    while (!waitingJobs.empty() && runningJobs.size() < static_cast<unsigned long>(maxThreads))
        StartNextWaitingJob();
}

void MyFrame::StartNextWaitingJob()
{
    if (waitingJobs.empty() || waitingForHandOver)
        return;
    JobEntry* entry = waitingJobs.front();
    waitingJobs.erase(waitingJobs.begin());
    runningJobs.push_back(entry);
    StartJob(entry);
}

void MyFrame::Dequeue(JobEntry* entry)
{
    RemoveOne(runningJobs, entry);
    RemoveOne(waitingJobs, entry);
}

void MyFrame::OnJobStatus(wxThreadEvent& event)
{
    const long row = RowOfEvent(event);
    if (row != -1)
        SetStatus(row, event.GetString());
}

void MyFrame::OnPageFetched(wxThreadEvent&)
{
    ++pagesFromUspto;
    if (statusLineRow == -1)
        SetStatusText(wxString::Format("%d Pages Downloaded from the USPTO", pagesFromUspto), 0);
    if (pagesFromUspto == 0 || pagesFromUspto % 500 != 0)
        return;
    if (ImportUnfinished()) {
        if (importWarned)
            return;
        importWarned = true;
    }
    wxLogMessage("%s", UsageWarning(pagesFromUspto));
}

void MyFrame::OnJobDone(wxThreadEvent& event)
{
    const long row = RowOfEvent(event);
    if (row == -1)
        return;
    JobEntry* entry = EntryAt(row);
    entry->pdfPath = event.GetString();
    // The job closes its PDF before it reports it, so the file is complete.
    if (RemoveOne(openWhenFinished, static_cast<int>(row)))
        OpenPdf(entry->pdfPath);
    if (RemoveOne(printWhenFinished, static_cast<int>(row)))
        PrintPdf(entry->pdfPath);
}

void MyFrame::OnJobExit(wxThreadEvent& event)
{
    const long row = RowOfEvent(event);
    if (row == -1)
        return;
    JobEntry* entry = EntryAt(row);
    RemoveOne(runningJobs, entry);
    if (entry->job) {
        entry->job->Wait();
        delete entry->job;
        entry->job = nullptr;
    }
    entry->finished = true;
    ShowEndedRow(row);
    StartNextWaitingJob();
}

void MyFrame::OnOpen(wxCommandEvent&)
{
    for (long row = listCtrl->GetFirstSelected(); row != -1; row = listCtrl->GetNextSelected(row)) {
        JobEntry* entry = EntryAt(row);
        if (!entry)
            continue;
        if (entry->finished) {
            if (!entry->pdfPath.empty())  // a failed or stopped job has no document
                OpenPdf(entry->pdfPath);
        } else
            AddOnce(openWhenFinished, static_cast<int>(row));
    }
}

void MyFrame::OnPrint(wxCommandEvent&)
{
    for (long row = listCtrl->GetFirstSelected(); row != -1; row = listCtrl->GetNextSelected(row)) {
        JobEntry* entry = EntryAt(row);
        if (!entry)
            continue;
        if (!entry->pdfPath.empty())
            PrintPdf(entry->pdfPath);
        else
            AddOnce(printWhenFinished, static_cast<int>(row));
    }
}

// Releases the row's entry (stopping its job) and deletes the row; marks of
// the rows below move up with them.
void MyFrame::DeleteRow(long row)
{
    if (JobEntry* entry = EntryAt(row)) {
        StopJob(entry);
        Dequeue(entry);
        importing.erase(entry);
        delete entry;
    }
    listCtrl->DeleteItem(row);
    // The rows below move up; the status line follows the selection anew.
    statusLineRow = -1;
    ShowStatusLineLater();
    ForgetRow(openWhenFinished, static_cast<int>(row));
    ForgetRow(printWhenFinished, static_cast<int>(row));
}

void MyFrame::OnRemove(wxCommandEvent&)
{
    for (long row = listCtrl->GetFirstSelected(); row != -1; row = listCtrl->GetFirstSelected())
        DeleteRow(row);
    FillRunningJobs();  // the rows' places go to the waiting jobs
}

void MyFrame::OnDeletePdf(wxCommandEvent&)
{
    for (long row = listCtrl->GetFirstSelected(); row != -1; row = listCtrl->GetFirstSelected()) {
        const JobEntry* entry = EntryAt(row);
        const wxString path = entry ? entry->pdfPath : wxString();
        if (!path.empty() && !RemoveQuietly(path) && wxFileName::FileExists(path))
            wxLogError("Error permanently deleting %s", path);
        DeleteRow(row);
    }
    FillRunningJobs();
}

void MyFrame::OnCancel(wxCommandEvent&)
{
    for (long row = listCtrl->GetFirstSelected(); row != -1; row = listCtrl->GetNextSelected(row)) {
        JobEntry* entry = EntryAt(row);
        if (!entry || entry->finished)
            continue;
        StopJob(entry);
        SetStatus(row, "Cancelled");
        Dequeue(entry);
    }
    FillRunningJobs();
}

// Every row's job is stopped in row order and its record freed; the rows go
// too, so nothing can reach a freed record while the window is destroyed.
void MyFrame::ShutdownJobs()
{
    for (long row = 0; row < listCtrl->GetItemCount(); ++row) {
        JobEntry* entry = EntryAt(row);
        if (!entry)
            continue;
        StopJob(entry);
        delete entry;
        listCtrl->SetItemPtrData(row, 0);
    }
    listCtrl->DeleteAllItems();
    runningJobs.clear();
    waitingJobs.clear();
    importing.clear();
    openWhenFinished.clear();
    printWhenFinished.clear();
    for (wxThread* job : retiredJobs)
        delete job;
    retiredJobs.clear();
}
