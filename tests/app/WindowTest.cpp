#include "AppFixture.h"

#include "GuiTest.h"
#include "app/harvesterDrop.h"
#include "jobs/JobEvents.h"
#include "numbers/FormatHelp.h"
#include "setup/SetupDialog.h"

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/filename.h>
#include <wx/html/htmlwin.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/testing.h>
#include <wx/tooltip.h>
#include <wx/uiaction.h>

namespace {

using WindowTest = AppTest;

struct MenuItemCase
{
    int id;
    const char* label;
    const char* help;
};

void ExpectItems(const wxMenu* menu, const std::vector<MenuItemCase>& items)
{
    ASSERT_EQ(menu->GetMenuItemCount(), items.size());
    size_t i = 0;
    for (const wxMenuItem* item : menu->GetMenuItems()) {
        const MenuItemCase& want = items[i++];
        SCOPED_TRACE(want.label);
        EXPECT_EQ(item->GetId(), want.id);
        EXPECT_EQ(item->GetItemLabel(), want.label);
        EXPECT_EQ(item->GetHelp(), want.help);
        EXPECT_EQ(item->GetKind(), wxITEM_NORMAL);
    }
}

TEST_F(WindowTest, MenusCarryTheirIdsLabelsAcceleratorsAndHelp)
{
    OpenWindow();
    const wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 3u);
    EXPECT_EQ(bar->GetMenuLabel(0), "&File");
    EXPECT_EQ(bar->GetMenuLabel(1), "&Selection");
    EXPECT_EQ(bar->GetMenuLabel(2), "&Help");
    ExpectItems(bar->GetMenu(0), {{5, "&Setup\tAlt-S", "Change Options"},
                                  {7, "&Update\tAlt-U", "Check for Updates"},
                                  {14, "&Import List...",
                                   "Add the numbers of a text file, one number per line"},
                                  {15, "Save List &As...",
                                   "Save every row with its status and PDF as a CSV file"},
                                  {1, "E&xit\tCtrl-W", "Quit FolioHarvester"}});
    ExpectItems(bar->GetMenu(1), {{9, "&Open\tCtrl-O", "Open in your favorite PDF viewer"},
                                  {10, "&Print\tCtrl-P", "Print PDF"},
                                  {11, "&Remove from List\tCtrl-R", "Removes PDF From List"},
                                  {12, "Permanently &Delete\tCtrl-D", "Permanetely Delete PDF"},
                                  {13, "&Cancel\tCtrl-C", "Cancel Job"}});
    ExpectItems(bar->GetMenu(2), {{8, "&Help...\tF1", "Show help"},
                                  {16, "&About FolioHarvester", "Show the version, the libraries and their licences"}});

    const std::unique_ptr<wxMenu> context(MyFrame::CreateContextMenu());
    ExpectItems(context.get(),
                {{9, "&Open in PDF Viewer", "Open in PDF viewer when Finished"},
                 {10, "&Print", "Print using external PDF viewer when Finished"},
                 {11, "&Remove from List", "Remove PDF From List"},
                 {12, "Permanetely &Delete", "Permanetely Delete PDF"},
                 {13, "&Cancel", "Cancel Currently Downloading Jobs"}});
}

// Counts the Setup dialogs shown and cancels them.
class SetupShown : public wxExpectModalBase<SetupDialog, SetupShown>
{
public:
    explicit SetupShown(int* count) : count(count) {}

protected:
    int OnInvoked(SetupDialog*) const override
    {
        ++*count;
        return wxID_CANCEL;
    }

private:
    int* count;
};

// Alt-S typed in the window opens Setup, not the "&Selection" menu, from
// either control that can hold the focus.
TEST_F(WindowTest, AltSOpensSetup)
{
    OpenWindow();
    frame->Raise();
    wxUIActionSimulator keys;
    for (wxWindow* focus : {static_cast<wxWindow*>(Text()), static_cast<wxWindow*>(List())}) {
        SCOPED_TRACE(focus->GetName());
        focus->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return wxWindow::FindFocus() == focus; }));
        int shown = 0;
        wxTEST_DIALOG(
            {
                keys.Char('s', wxMOD_ALT);
                PumpUntil([&] { return shown > 0; }, 5000);
            },
            SetupShown(&shown));
        EXPECT_EQ(shown, 1);
    }
}

// Walking down a row's context menu shows each item's own help text; the
// page counter comes back when the menu closes.
TEST_F(WindowTest, ContextMenuItemsShowTheirOwnHelp)
{
    OpenWindow();
    frame->Raise();
    List()->SetFocus();
    ASSERT_TRUE(PumpUntil([&] { return frame->IsActive(); }));
    wxStatusBar* status = frame->GetStatusBar();
    std::vector<std::string> shown;
    wxUIActionSimulator keys;
    // Runs inside the menu's own loop, then closes the menu.
    frame->CallAfter([&] {
        PumpFor(100);
        for (int item = 0; item < 5; ++item) {
            const wxString before = status->GetStatusText(0);
            keys.Char(WXK_DOWN);
            PumpUntil([&] { return status->GetStatusText(0) != before; }, 5000);
            shown.push_back(status->GetStatusText(0).utf8_string());
        }
        keys.Char(WXK_ESCAPE);
    });
    wxListEvent click(wxEVT_LIST_ITEM_RIGHT_CLICK, List()->GetId());
    click.SetEventObject(List());
    List()->ProcessWindowEvent(click);
    EXPECT_EQ(shown, (std::vector<std::string>{"Open in PDF viewer when Finished",
                                               "Print using external PDF viewer when Finished",
                                               "Remove PDF From List", "Permanetely Delete PDF",
                                               "Cancel Currently Downloading Jobs"}));
    EXPECT_EQ(status->GetStatusText(0), "0 Pages Downloaded from the USPTO");
}

TEST_F(WindowTest, ExitClosesTheWindowAndWritesTheSettings)
{
    OpenWindow();
    Menu(ID_QUIT);
    EXPECT_TRUE(PumpUntil([&] { return !frameRef; }));
    EXPECT_TRUE(StoredHas("Version"));
}

TEST_F(WindowTest, ControlsAreBuiltAsTheUserSeesThem)
{
    OpenWindow();
    EXPECT_EQ(frame->GetName(), "frame");
    EXPECT_EQ(wxTheApp->GetAppDisplayName(), "FolioHarvester") << "the title of its message boxes";
    wxStatusBar* status = frame->GetStatusBar();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->GetFieldsCount(), 2);
    EXPECT_EQ(status->GetName(), "status_line");
    EXPECT_EQ(status->GetStatusText(0), "0 Pages Downloaded from the USPTO");

    wxTextCtrl* text = Text();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetId(), 2);
    EXPECT_TRUE(text->HasFlag(wxTE_PROCESS_ENTER));
    ASSERT_NE(text->GetToolTip(), nullptr);
    EXPECT_EQ(text->GetToolTip()->GetTip(), FormatHelpText());
    EXPECT_TRUE(text->GetValue().empty());

    wxWindow* button = wxWindow::FindWindowByName("button", frame);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetId(), 3);
    EXPECT_EQ(button->GetLabel(), "Download");

    wxListView* list = List();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->HasFlag(wxLC_REPORT));
    EXPECT_FALSE(list->HasFlag(wxLC_SINGLE_SEL));
    ASSERT_EQ(list->GetColumnCount(), 2);
    wxListItem column;
    column.SetMask(wxLIST_MASK_TEXT);
    list->GetColumn(0, column);
    EXPECT_EQ(column.GetText(), "Patent/Application");
    list->GetColumn(1, column);
    EXPECT_EQ(column.GetText(), "Status");
    EXPECT_EQ(list->GetColumnWidth(1), 250);
    EXPECT_EQ(list->GetItemCount(), 0);
    ASSERT_EQ(frame->GetIcons().GetIconCount(), 1u);
    EXPECT_EQ(frame->GetIcons().GetIconByIndex(0).GetWidth(), 48);
}

TEST_F(WindowTest, WindowCannotShrinkBelowItsMinimum)
{
    OpenWindow();
    EXPECT_EQ(frame->GetMinSize(), wxSize(375, 200));
    frame->SetSize(100, 80);
    PumpFor(100);
    EXPECT_GE(frame->GetSize().x, 375);
    EXPECT_GE(frame->GetSize().y, 200);
}

TEST_F(WindowTest, DroppedTextReplacesTheFieldWithoutAddingARow)
{
    OpenWindow();
    Text()->ChangeValue("old text");
    auto* drop = dynamic_cast<harvesterDrop*>(frame->GetDropTarget());
    ASSERT_NE(drop, nullptr);
    EXPECT_TRUE(drop->OnDropText(5, 5, "5123456\nD0365123\nRE035136"));
    EXPECT_EQ(Text()->GetValue(), "5123456\nD0365123\nRE035136");
    PumpFor(50);
    EXPECT_EQ(List()->GetItemCount(), 0);
}

TEST_F(WindowTest, EnterInAnEmptyFieldDoesNothing)
{
    OpenWindow();
    AddNumber("");
    wxCommandEvent click(wxEVT_BUTTON, ID_DOWNLOAD);
    frame->ProcessWindowEvent(click);
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_EQ(frame->RunningCount(), 0u);
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(WindowTest, UnknownFormatQuotesTheTextAndAddsNoRow)
{
    OpenWindow();
    for (const wxString& text : {wxString("ABC"), wxString("000"), wxString(", , ,"), wxString("hello")}) {
        log.Clear();
        AddNumber(text);
        ASSERT_EQ(log.Errors().size(), 1u) << text;
        const wxString error = log.Errors()[0];
        EXPECT_TRUE(error.StartsWith("\"" + text + "\" -- Unknown Format\n\n\n")) << error;
        EXPECT_TRUE(error.EndsWith(FormatHelpText()));
        EXPECT_EQ(List()->GetItemCount(), 0);
        EXPECT_EQ(Text()->GetValue(), text);
    }
}

TEST_F(WindowTest, UsageWarningEveryFiveHundredPages)
{
    OpenWindow();
    auto fetchPages = [&](int count) {
        for (int i = 0; i < count; ++i) {
            wxThreadEvent page(EVT_PAGE_FETCHED, -1);
            frame->ProcessWindowEvent(page);
        }
    };
    fetchPages(499);
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "499 Pages Downloaded from the USPTO");
    fetchPages(1);
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "500 Pages Downloaded from the USPTO");
    const wxString warning = log.Messages()[0];
    EXPECT_TRUE(warning.StartsWith(
        "Warning, the USPTO will block excessive usage of their site!  FolioHarvester will not be "
        "held responsible for excessive use of USPTO systems, resulting in blocked access!  You "
        "have downloaded 500 pages\n\nFrom http://patft.uspto.gov/patft/help/access.htm\n\n\""
        "These databases are intended for use by the general public."))
        << warning;
    EXPECT_TRUE(warning.EndsWith("may be denied access to these servers without notice.\""));
    fetchPages(499);
    EXPECT_EQ(log.Messages().size(), 1u);  // the 999th is quiet
    fetchPages(1);
    ASSERT_EQ(log.Messages().size(), 2u);
    EXPECT_TRUE(log.Messages()[1].Contains("You have downloaded 1000 pages"));
    EXPECT_EQ(frame->PagesFromUspto(), 1000);
}

TEST_F(WindowTest, DragOffersOnlyTheFinishedDocumentsOfTheSelection)
{
    OpenWindow();
    // The second row's job cannot reach any server, so it has no PDF to offer.
    WriteFile(home.Path() + "/5123456.pdf", CompletePdfStub());
    AddNumber("5123456");
    AddNumber("6000051");
    ASSERT_TRUE(PumpUntil([&] { return Status(0) == "Previously Downloaded!"; }));
    SelectOnly({0, 1});
    const wxArrayString paths = frame->SelectedPdfPaths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(wxFileName(paths[0]).GetFullName(), "5123456.pdf");
}

}  // namespace

namespace {

int StatusColumnsWidth(wxListView* list)
{
    return list->GetColumnWidth(0) + list->GetColumnWidth(1);
}

}  // namespace

// Typed for real: the field has the focus from the start and after every
// add, and each new row is scrolled into view.
TEST_F(WindowTest, TypedNumbersLandInViewWithTheFieldKeepingTheFocus)
{
    WriteSettings("max_threads=0\n");  // rows only, no downloads
    OpenWindow();
    frame->Raise();
    ASSERT_TRUE(PumpUntil([&] { return frame->IsActive(); }));
    EXPECT_EQ(wxWindow::FindFocus(), Text());
    wxUIActionSimulator keys;
    for (int i = 0; i < 12; ++i) {
        keys.Text(std::to_string(5123456 + i).c_str());
        keys.Char(WXK_RETURN);
        ASSERT_TRUE(PumpUntil([&] { return List()->GetItemCount() == i + 1; })) << i;
        PumpFor(50);
        EXPECT_TRUE(List()->IsVisible(i)) << i;
        EXPECT_EQ(wxWindow::FindFocus(), Text()) << i;
    }
    EXPECT_FALSE(List()->IsVisible(0));
    EXPECT_EQ(StatusColumnsWidth(List()), List()->GetClientSize().x);
    SaveScreenshot(frame, "window-twelve-typed-numbers");
}

TEST_F(WindowTest, StatusColumnFillsTheListAtAnyWidth)
{
    OpenWindow();
    for (int width : {400, 760}) {
        frame->SetSize(width, 240);
        ASSERT_TRUE(PumpUntil([&] { return frame->GetSize().x == width; }));
        PumpFor(100);
        EXPECT_EQ(StatusColumnsWidth(List()), List()->GetClientSize().x) << width;
        SaveScreenshot(frame, "window-" + std::to_string(width) + "-wide");
    }
}

// The page counter beside each text the update check shows unasked.
TEST_F(WindowTest, BothStatusLineTextsFitAtTheDefaultSize)
{
    OpenWindow();
    frame->SetSize(400, 240);
    ASSERT_TRUE(PumpUntil([&] { return frame->GetSize() == wxSize(400, 240); }));
    wxStatusBar* status = frame->GetStatusBar();
    // The window's own check (it cannot reach its host) has its say first.
    ASSERT_TRUE(PumpUntil([&] { return status->GetStatusText(1) == "Error Updating!"; }));
    const std::pair<const char*, const char*> shown[] = {
        {"0 Pages Downloaded from the USPTO", "Checking for available updates..."},
        {"0 Pages Downloaded from the USPTO", "Error Updating!"},
        {"1000 Pages Downloaded from the USPTO", "Running Latest Version"},
        {"1000 Pages Downloaded from the USPTO", "Update Available!"}};
    for (const auto& [counter, check] : shown) {
        frame->SetStatusText(counter, 0);
        frame->SetStatusText(check, 1);
        PumpFor(20);
        for (int field : {0, 1}) {
            const wxString text = status->GetStatusText(field);
            wxRect rect;
            ASSERT_TRUE(status->GetFieldRect(field, rect));
            // The last field's end is the size grip's, as tall as it is wide.
            const int grip = field == 1 ? status->GetSize().y : 0;
            EXPECT_LE(status->GetTextExtent(text).x, rect.width - 2 * status->GetBorderX() - grip) << text;
        }
        if (check == shown[0].second)
            SaveScreenshot(frame, "window-400x240-status-line");
    }
}

namespace {

// Looks at the About box when it is shown, saves a picture of it, and
// closes it with OK.
class AboutShown : public wxExpectModalBase<wxDialog, AboutShown>
{
public:
    explicit AboutShown(wxString* text) : text(text) {}

protected:
    int OnInvoked(wxDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle(), "About FolioHarvester");
        auto* html = dynamic_cast<wxHtmlWindow*>(wxWindow::FindWindowByName("htmlWindow", dialog));
        EXPECT_NE(html, nullptr);
        if (html)
            *text = html->ToText();
        dialog->Show();
        SaveScreenshot(dialog, "about-box");
        dialog->Hide();
        return wxID_OK;
    }

private:
    wxString* text;
};

}  // namespace

TEST_F(WindowTest, AboutNamesTheVersionTheLibrariesWithTheirLicencesAndTheAddress)
{
    OpenWindow();
    wxString text;
    wxTEST_DIALOG(Menu(ID_ABOUT), AboutShown(&text));
    EXPECT_TRUE(text.Contains("Version 2.23")) << text;
    for (const char* library : {"wxWidgets", "libcurl", "qpdf", "JSON for Modern C++", "Expat", "Tesseract"})
        EXPECT_TRUE(text.Contains(library)) << library;
    for (const char* licence : {"wxWindows Library Licence", "Apache License 2.0", "MIT licence"})
        EXPECT_TRUE(text.Contains(licence)) << licence;
    EXPECT_TRUE(text.Contains("https://")) << "the project's address";
}

// At the default size the list cuts a connection error; the row's tip has
// it whole, and once the row is clicked the status line shows it, giving up
// its start rather than its end.
TEST_F(WindowTest, ALongStatusCanBeReadAtTheDefaultSize)
{
    WriteSettings("", "us=ppubs\nother=classic\n[ppubs]\nurl=http://127.0.0.1:1\nimageUrl=http://127.0.0.1:1\n");
    OpenWindow();
    frame->SetSize(400, 240);
    frame->Raise();
    ASSERT_TRUE(PumpUntil([&] { return frame->GetSize() == wxSize(400, 240) && frame->IsActive(); }));
    AddNumber("5123456");
    // The service cannot be reached: the row counts down to its next try, a
    // status whose number changes every second.
    ASSERT_TRUE(PumpUntil([&] { return Status(0).Contains("cannot connect"); }));
    wxListView* list = List();
    ASSERT_GT(list->GetTextExtent(Status(0)).x, list->GetColumnWidth(1)) << "the list shows only its start";

    wxRect row;
    ASSERT_TRUE(list->GetItemRect(0, row));
    const wxPoint centre = list->ClientToScreen(wxPoint(row.x + list->GetColumnWidth(0) + 20, row.y + row.height / 2));
    wxUIActionSimulator mouse;
    mouse.MouseMove(centre);
    mouse.MouseClick();
    wxStatusBar* line = frame->GetStatusBar();
    ASSERT_TRUE(PumpUntil([&] { return line->GetStatusText(0) == Status(0); })) << line->GetStatusText(0);
    const wxString status = Status(0);
    wxWindow* under = wxFindWindowAtPoint(centre);
    ASSERT_NE(under, nullptr);
    // The row's tip is taken when the mouse comes, maybe a count before.
    EXPECT_EQ(under->GetToolTipText().BeforeLast(' '), status.BeforeLast(' '));
    EXPECT_EQ(line->GetToolTipText(), status);

    // What the line draws of it in the room it has.
    EXPECT_TRUE(line->HasFlag(wxSTB_ELLIPSIZE_START));
    wxRect field;
    ASSERT_TRUE(line->GetFieldRect(0, field));
    wxClientDC dc(line);
    dc.SetFont(line->GetFont());
    const wxString drawn = wxControl::Ellipsize(status, dc, wxELLIPSIZE_START, field.width - 2 * line->GetBorderX());
    EXPECT_TRUE(drawn.Matches("*ms: Couldn't connect to server Reconnecting in *s")) << drawn;
    SaveScreenshot(frame, "window-400x240-long-status");

    SelectOnly({});
    ASSERT_TRUE(PumpUntil([&] { return line->GetStatusText(0) == "0 Pages Downloaded from the USPTO"; }));
    EXPECT_TRUE(line->GetToolTipText().empty());
}
