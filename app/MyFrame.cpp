#include "app/MyFrame.h"

#include "app/JobListView.h"
#include "app/PdfLauncher.h"
#include "jobs/LibraryState.h"
#include "app/StatusLine.h"
#include "app/harvesterDrop.h"
#include "help/AboutBox.h"
#include "help/HelpPage.h"
#include "jobs/JobEvents.h"
#include "jobs/StopThread.h"
#include "net/NetworkSettings.h"
#include "net/SettingsStore.h"
#include "numbers/FormatHelp.h"
#include "numbers/JobEntry.h"
#include "setup/SetupDialog.h"
#include "update/Version.h"
#include "update/updater.h"

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dataobj.h>
#include <wx/dnd.h>
#include <wx/filefn.h>
#include <wx/fs_inet.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include "app/idea.xpm"

// clang-format off
wxBEGIN_EVENT_TABLE(MyFrame, wxFrame)
    EVT_MENU(ID_QUIT, MyFrame::OnQuit)
    EVT_MENU(ID_HELP, MyFrame::ShowHelp)
    EVT_MENU(ID_ABOUT, MyFrame::ShowAbout)
    EVT_MENU(ID_SETUP, MyFrame::OnSetup)
    EVT_MENU(ID_UPDATE, MyFrame::OnUpdateMenu)
    EVT_MENU(ID_OPEN, MyFrame::OnOpen)
    EVT_MENU(ID_PRINT, MyFrame::OnPrint)
    EVT_MENU(ID_REMOVE, MyFrame::OnRemove)
    EVT_MENU(ID_DELETE, MyFrame::OnDeletePdf)
    EVT_MENU(ID_CANCEL, MyFrame::OnCancel)
    EVT_MENU(ID_IMPORT_LIST, MyFrame::OnImportList)
    EVT_MENU(ID_SAVE_LIST, MyFrame::OnSaveList)
    EVT_CLOSE(MyFrame::OnClose)
    EVT_BUTTON(ID_DOWNLOAD, MyFrame::OnAddNumber)
    EVT_TEXT_ENTER(ID_NUMBER_FIELD, MyFrame::OnAddNumber)
    wx__DECLARE_EVT0(EVT_PAGE_FETCHED, wxThreadEventHandler(MyFrame::OnPageFetched))
    wx__DECLARE_EVT0(EVT_JOB_STATUS, wxThreadEventHandler(MyFrame::OnJobStatus))
    wx__DECLARE_EVT0(EVT_JOB_EXIT, wxThreadEventHandler(MyFrame::OnJobExit))
    wx__DECLARE_EVT0(EVT_JOB_DONE, wxThreadEventHandler(MyFrame::OnJobDone))
    wx__DECLARE_EVT0(EVT_UPDATE_RESULT, wxThreadEventHandler(MyFrame::OnUpdateResult))
    wx__DECLARE_EVT1(wxEVT_LIST_ITEM_ACTIVATED, wxID_ANY, wxCommandEventHandler(MyFrame::OnOpen))
    EVT_LIST_ITEM_RIGHT_CLICK(wxID_ANY, MyFrame::OnContextMenu)
    EVT_LIST_BEGIN_DRAG(wxID_ANY, MyFrame::OnBeginDrag)
    EVT_LIST_ITEM_SELECTED(wxID_ANY, MyFrame::OnSelectionChanged)
    EVT_LIST_ITEM_DESELECTED(wxID_ANY, MyFrame::OnSelectionChanged)
wxEND_EVENT_TABLE()
// clang-format on

namespace {

// wxDateTime takes -1 for "no time" and cannot hold times millions of
// years away; such a stored check time counts as no check at all.
void ForgetUnusableLastCheck(wxConfigBase& config)
{
    const long long limit = 100000000000LL;  // about 3000 years either way, beyond a 32-bit long
    long lastCheck = 0;
    if (config.Read("lastCheck", &lastCheck) &&
        (lastCheck == -1 || lastCheck < -limit || lastCheck > limit))
        config.DeleteEntry("lastCheck");
}

}  // namespace

MyFrame::MyFrame(const wxString& title, const wxPoint& pos, const wxSize& size)
    : wxFrame(nullptr, wxID_ANY, title, pos, size, wxDEFAULT_FRAME_STYLE, "frame"),
      launcher(new PdfLauncher)
{
    BuildLibraryStateEarly();  // before this window starts any job or update thread
    wxPanel* panel = new wxPanel(this, wxID_ANY, pos, size, wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
    {
        std::unique_ptr<wxConfigBase> config = OpenSettingsStore();
        wxFileSystem::AddHandler(new wxInternetFSHandler);

        wxString path;
        if (config->Read("Path", &path)) {
            wxLogNull quiet;  // a stale folder is simply not used
            wxSetWorkingDirectory(path);
        }
        // The scheduler compares the count unsigned, so a negative one would
        // let every job run at once; it becomes what the setup dialog makes
        // of it. Other counts wait for that dialog, as designed.
        long threads = maxThreads;
        if (config->Read("max_threads", &threads))
            maxThreads = threads < 0 ? 511 : threads;
        ForgetUnusableLastCheck(*config);
    }

    CreateControls(panel);

    StartUpdateCheck();
    OfferOldVersionDeletion(panel);

    SetDropTarget(new harvesterDrop(
        textCtrl, [this](const wxArrayString& paths) { return ImportDroppedFiles(paths); }));
    textCtrl->SetFocus();
}

MyFrame::~MyFrame() = default;

void MyFrame::CreateControls(wxPanel* panel)
{
    topSizer = new wxBoxSizer(wxVERTICAL);
    wxBoxSizer* spareRow = new wxBoxSizer(wxHORIZONTAL);
    wxBoxSizer* entryRow = new wxBoxSizer(wxHORIZONTAL);

    SetIcon(wxIcon(idea_xpm));
    CreateMenus();

    // A long text loses its start, not its end: a row's status ends with what went wrong.
    CreateStatusBar(2, wxSTB_SIZEGRIP | wxSTB_ELLIPSIZE_START | wxFULL_REPAINT_ON_RESIZE, 0, "status_line");
    SetStatusText("0 Pages Downloaded from the USPTO", 0);

    textCtrl = new wxTextCtrl(panel, ID_NUMBER_FIELD, wxEmptyString, wxDefaultPosition,
                              wxSize(150, 20), wxTE_PROCESS_ENTER,
                              wxTextValidator(wxFILTER_ASCII), "text");
    textCtrl->SetToolTip(FormatHelpText());

    entryRow->Add(50, 50, 0, 0, 0);
    entryRow->Add(textCtrl, 0, wxALL | wxALIGN_CENTER_VERTICAL, 0);
    wxButton* button = new wxButton(panel, ID_DOWNLOAD, "Download", wxDefaultPosition,
                                    wxDefaultSize, 0, wxDefaultValidator, "button");
    entryRow->Add(button, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 0);

    // Vertical alignment means nothing in a vertical sizer (and wx asserts on it).
    topSizer->Add(spareRow, 0, 0, 0);
    topSizer->Add(entryRow, 0, 0, 0);

    listCtrl = new wxListView(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT,
                              wxDefaultValidator, "listCtrl");
    topSizer->Add(listCtrl, 1, wxEXPAND, 0);
    listCtrl->AppendColumn("Patent/Application", wxLIST_FORMAT_LEFT, wxLIST_AUTOSIZE_USEHEADER);
    listCtrl->AppendColumn("Status", wxLIST_FORMAT_LEFT, 250);
    listView = std::make_unique<JobListView>(listCtrl);

    panel->SetSizer(topSizer);
    SetMinSize(wxSize(375, 200));
    topSizer->SetSizeHints(panel);
}

wxStatusBar* MyFrame::OnCreateStatusBar(int number, long style, wxWindowID id,
                                        const wxString& name)
{
    auto* line = new StatusLine(this, id, style, name);
    line->SetFieldsCount(number);
    return line;
}

void MyFrame::CreateMenus()
{
    wxMenu* fileMenu = new wxMenu;
    fileMenu->Append(ID_SETUP, "&Setup\tAlt-S", "Change Options");
    fileMenu->Append(ID_UPDATE, "&Update\tAlt-U", "Check for Updates");
    fileMenu->Append(ID_IMPORT_LIST, "&Import List...",
                     "Add the numbers of a text file, one number per line");
    fileMenu->Append(ID_SAVE_LIST, "Save List &As...",
                     "Save every row with its status and PDF as a CSV file");
    fileMenu->Append(ID_QUIT, "E&xit\tCtrl-W", "Quit FolioHarvester");

    wxMenu* selectionMenu = new wxMenu;
    selectionMenu->Append(ID_OPEN, "&Open\tCtrl-O", "Open in your favorite PDF viewer");
    selectionMenu->Append(ID_PRINT, "&Print\tCtrl-P", "Print PDF");
    selectionMenu->Append(ID_REMOVE, "&Remove from List\tCtrl-R", "Removes PDF From List");
    selectionMenu->Append(ID_DELETE, "Permanently &Delete\tCtrl-D", "Permanetely Delete PDF");
    selectionMenu->Append(ID_CANCEL, "&Cancel\tCtrl-C", "Cancel Job");

    wxMenu* helpMenu = new wxMenu;
    helpMenu->Append(ID_HELP, "&Help...\tF1", "Show help");
    helpMenu->Append(ID_ABOUT, "&About FolioHarvester", "Show the version, the libraries and their licences");

    wxMenuBar* menuBar = new wxMenuBar;
    menuBar->Append(fileMenu, "&File");
    menuBar->Append(selectionMenu, "&Selection");
    menuBar->Append(helpMenu, "&Help");
    SetMenuBar(menuBar);

    // GTK lets the "&Selection" mnemonic take Alt-S before the menu item's
    // accelerator; the window's own table is asked before either.
    wxAcceleratorEntry setupKey(wxACCEL_ALT, 'S', ID_SETUP);
    SetAcceleratorTable(wxAcceleratorTable(1, &setupKey));
}

wxMenu* MyFrame::CreateContextMenu()
{
    wxMenu* menu = new wxMenu;
    menu->Append(ID_OPEN, "&Open in PDF Viewer", "Open in PDF viewer when Finished");
    menu->Append(ID_PRINT, "&Print", "Print using external PDF viewer when Finished");
    menu->Append(ID_REMOVE, "&Remove from List", "Remove PDF From List");
    menu->Append(ID_DELETE, "Permanetely &Delete", "Permanetely Delete PDF");
    menu->Append(ID_CANCEL, "&Cancel", "Cancel Currently Downloading Jobs");
    return menu;
}

// A previous version starts this one with "delete" and its own path, so the
// user can get rid of the old program.
void MyFrame::OfferOldVersionDeletion(wxWindow* parent)
{
    if (wxTheApp->argc < 3 || wxTheApp->argv[1] != "delete")
        return;
    const wxString oldProgram = wxTheApp->argv[2];
    const int answer = wxMessageBox("Delete previous version of FolioHarvester?\n\n" + oldProgram,
                                    "Delete Old FolioHarvester", wxYES_NO | wxICON_QUESTION, parent);
    if (answer == wxYES) {
        wxLogNull quiet;  // a file that cannot be removed is left alone silently
        wxRemoveFile(oldProgram);
    }
}

void MyFrame::OnQuit(wxCommandEvent&)
{
    Close(true);
}

void MyFrame::ShowHelp(wxCommandEvent&)
{
    ShowHelpDialog(this);
}

void MyFrame::ShowAbout(wxCommandEvent&)
{
    ShowAboutDialog(this);
}

void MyFrame::OnSetup(wxCommandEvent&)
{
    {
        SetupDialog dlg(this);
        if (dlg.ShowModal() == wxID_OK) {
            const wxString dir = dlg.GetSavePath();
            bool changed;
            {
                wxLogNull quiet;  // our own message below says it better
                changed = wxSetWorkingDirectory(dir);
            }
            if (!changed)
                wxLogError("Error changing directory to %s", dir);
        }
    }
    const unsigned long threads = static_cast<unsigned long>(maxThreads);
    if (threads > 511)
        maxThreads = 511;
    else if (threads == 0)
        maxThreads = 1;
    FillRunningJobs();
}

void MyFrame::OnContextMenu(wxListEvent&)
{
    std::unique_ptr<wxMenu> menu(CreateContextMenu());
    // The frame would look the ids up in the menu bar and show its texts.
    wxMenu* shown = menu.get();
    shown->Bind(wxEVT_MENU_HIGHLIGHT, [this, shown](wxMenuEvent& event) {
        const wxMenuItem* item = shown->FindItem(event.GetMenuId());
        DoGiveHelp(item ? item->GetHelp() : wxString(), true);
    });
    PopupMenu(shown);
}

wxArrayString MyFrame::SelectedPdfPaths() const
{
    wxArrayString paths;
    for (long row = listCtrl->GetFirstSelected(); row != -1; row = listCtrl->GetNextSelected(row))
        if (JobEntry* entry = EntryAt(row); entry && !entry->pdfPath.empty())
            paths.Add(entry->pdfPath);
    return paths;
}

void MyFrame::OnBeginDrag(wxListEvent&)
{
    const wxArrayString paths = SelectedPdfPaths();
    if (paths.empty())
        return;  // nothing finished to drag out
    wxFileDataObject files;
    for (const wxString& path : paths)
        files.AddFile(path);
    wxDropSource source(files, listCtrl);
    draggingRowsOut = true;
    source.DoDragDrop(0);
    draggingRowsOut = false;
}

void MyFrame::OnClose(wxCloseEvent&)
{
    if (closeCount > 0)
        return;
    ++closeCount;
    Show(false);

    std::unique_ptr<wxConfigBase> config = OpenSettingsStore();
    config->Write("Path", wxGetCwd());
    config->Write("max_threads", maxThreads);
    config->Write("exec", wxTheApp->argc > 0 ? wxString(wxTheApp->argv[0]) : wxString());

    const NetworkSettings& net = TheNetworkSettings();
    config->Write("proxyServer", net.proxyServer);
    config->Write("proxyPort", net.proxyPort);
    config->Write("proxyUser", net.proxyUser);
    // Scrambled in a copy: the live value stays plain while jobs still run.
    wxString storedPass = net.proxyPass;
    ScramblePassword(storedPass);
    config->Write("proxyPass", storedPass);
    config->Write("connectionType", net.connectionType);
    config->Write("Version", versionText);

    const wxRect rect = GetRect();
    config->Write("sizex", rect.width);
    config->Write("sizey", rect.height);
    if (rect.x > 0)
        config->Write("posx", rect.x);
    if (rect.y > 0)
        config->Write("posy", rect.y);

    ShutdownJobs();
    if (updateThread) {
        StopThread(*updateThread);
        delete updateThread;
        updateThread = nullptr;
    }
    Destroy();
    config.reset();
}

void MyFrame::SetLauncher(std::unique_ptr<PdfLauncher> newLauncher)
{
    launcher = std::move(newLauncher);
}

bool MyFrame::OpenPdf(const wxString& path)
{
    if (path.empty())
        return true;
    if (launcher->Open(path))
        return true;
    wxLogError("%s", noPdfReaderText);
    return false;
}

bool MyFrame::PrintPdf(const wxString& path)
{
    if (path.empty())
        return true;
    if (launcher->Print(path))
        return true;
    wxLogError("%s", noPdfReaderText);
    return false;
}
