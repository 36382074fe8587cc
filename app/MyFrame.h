#pragma once

#include "jobs/JobRoute.h"
#include "update/HandOver.h"

#include <wx/frame.h>

#include <memory>
#include <set>
#include <vector>

class wxBoxSizer;
class wxCommandEvent;
class wxCloseEvent;
class wxListEvent;
class wxListView;
class wxMenu;
class wxPanel;
class wxTextCtrl;
class wxThread;
struct ListFile;
class JobListView;
struct JobEntry;
class updater;
class PdfLauncher;

// Command and window ids of the main window.
enum
{
    ID_QUIT = 1,
    ID_NUMBER_FIELD = 2,
    ID_DOWNLOAD = 3,
    ID_SETUP = 5,
    ID_UPDATE = 7,
    ID_HELP = 8,
    ID_OPEN = 9,
    ID_PRINT = 10,
    ID_REMOVE = 11,
    ID_DELETE = 12,
    ID_CANCEL = 13,
    ID_IMPORT_LIST = 14,
    ID_SAVE_LIST = 15,
    ID_ABOUT = 16
};

// The program's only main window: the number field, the job list, the menus
// and the status line. It schedules the download jobs and reaps their
// threads; every job event arrives here on the GUI thread.
class MyFrame : public wxFrame
{
public:
    MyFrame(const wxString& title, const wxPoint& pos, const wxSize& size);
    ~MyFrame() override;

    // Hands PDFs to the system's viewer and printer; tests put in one that
    // records instead of starting programs.
    void SetLauncher(std::unique_ptr<PdfLauncher> launcher);
    // Tests watch a hand-over to a new version instead of performing it.
    void SetHandOverActions(const HandOverActions& actions) { handOver = actions; }
    bool OpenPdf(const wxString& path);
    bool PrintPdf(const wxString& path);

    // The menu shown when a row is right-clicked; the caller owns it.
    static wxMenu* CreateContextMenu();
    // What dragging the selected rows out of the list offers, top row first.
    wxArrayString SelectedPdfPaths() const;

    long GetMaxThreads() const { return maxThreads; }
    size_t RunningCount() const { return runningJobs.size(); }
    size_t WaitingCount() const { return waitingJobs.size(); }
    int PagesFromUspto() const { return pagesFromUspto; }

private:
    wxStatusBar* OnCreateStatusBar(int number, long style, wxWindowID id,
                                   const wxString& name) override;

    // Construction steps.
    void CreateMenus();
    void CreateControls(wxPanel* panel);
    void OfferOldVersionDeletion(wxWindow* parent);

    // Menu and control handlers.
    void OnQuit(wxCommandEvent& event);
    void ShowHelp(wxCommandEvent& event);
    void ShowAbout(wxCommandEvent& event);
    void OnSetup(wxCommandEvent& event);
    void OnOpen(wxCommandEvent& event);
    void OnPrint(wxCommandEvent& event);
    void OnRemove(wxCommandEvent& event);
    void OnDeletePdf(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnAddNumber(wxCommandEvent& event);
    void OnContextMenu(wxListEvent& event);
    void OnBeginDrag(wxListEvent& event);

    // Lists of numbers: implemented in MyFrameLists.cpp.
    void OnImportList(wxCommandEvent& event);
    void OnSaveList(wxCommandEvent& event);
    bool ImportDroppedFiles(const wxArrayString& paths);
    void ImportListFile(const wxString& path);
    void ImportList(const ListFile& list, const wxString& name);
    std::set<wxString> ListedDocuments() const;
    // Whether jobs of an import are still to end; forgets those that have.
    bool ImportUnfinished();

    // Job events.
    void OnPageFetched(wxThreadEvent& event);
    void OnJobStatus(wxThreadEvent& event);
    void OnJobExit(wxThreadEvent& event);
    void OnJobDone(wxThreadEvent& event);

    // Update check, download and hand-over: implemented in MyFrameUpdate.cpp.
    void StartUpdateCheck();
    void OnUpdateMenu(wxCommandEvent& event);
    void OnUpdateResult(wxThreadEvent& event);
    void HandOverTo(const wxString& newProgram);
    bool WaitForRunningJobs();

    // Scheduling.
    void StartJob(JobEntry* entry);
    void StopJob(JobEntry* entry);
    void FillRunningJobs();
    void StartNextWaitingJob();
    void RetireJob(wxThread* job);
    void DeleteRetiredJob(wxThread* job);
    void Dequeue(JobEntry* entry);
    void DeleteRow(long row);
    void ShutdownJobs();

    // Rows and their entries. Jobs report by the row index they were given,
    // which goes stale once rows above them are removed, so events are
    // matched to rows through the job object they carry.
    JobEntry* EntryAt(long row) const;
    // Makes the entry's row at the end of the list and queues or starts its
    // job; the list takes the entry.
    long AddRow(const wxString& text, JobEntry* entry);
    // A row whose job ended with its document or with an error is shown.
    void ShowEndedRow(long row);
    long RowOf(const JobEntry* entry) const;
    long RowOfEvent(const wxThreadEvent& event) const;
    void SetStatus(long row, const wxString& text);
    // The status line's first field: the page counter, or while one row is
    // selected that row's whole status.
    void ShowStatusLine();
    void ShowStatusLineLater();
    void OnSelectionChanged(wxListEvent& event);

    wxTextCtrl* textCtrl = nullptr;
    wxListView* listCtrl = nullptr;
    std::unique_ptr<JobListView> listView;
    wxBoxSizer* topSizer = nullptr;
    std::vector<JobEntry*> waitingJobs;
    std::vector<JobEntry*> runningJobs;
    std::vector<int> openWhenFinished;
    std::vector<int> printWhenFinished;
    int closeCount = 0;
    int pagesFromUspto = 0;
    long statusLineRow = -1;  // the row whose status the status line shows, or -1
    bool statusLineDue = false;
    long maxThreads = 3;
    bool updateRequested = false;
    updater* updateThread = nullptr;
    bool waitingForHandOver = false;  // no job starts while set
    bool draggingRowsOut = false;     // our own files are not a list to import

    // The entries of imports whose jobs have not ended: while there are any,
    // the usage warning is shown once rather than every 500 pages.
    std::set<const JobEntry*> importing;
    bool importWarned = false;

    // Stopped jobs whose deletion waits until their queued events are gone.
    std::vector<wxThread*> retiredJobs;
    std::unique_ptr<PdfLauncher> launcher;
    HandOverActions handOver = HandOverActions::Defaults();
    // What the OPS and the Patent Public Search jobs of this window share;
    // they all end before it goes.
    std::shared_ptr<OpsContext> opsContext = NewOpsContext();
    std::shared_ptr<PpubsContext> ppubsContext = NewPpubsContext();

    wxDECLARE_EVENT_TABLE();
};
