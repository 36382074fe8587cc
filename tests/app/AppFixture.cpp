#include "AppFixture.h"

#include "GuiTest.h"
#include "app/MyApp.h"
#include "net/SettingsStore.h"

#include <wx/listctrl.h>
#include <wx/textctrl.h>

#include <cstdlib>

namespace {

const char* const hostKeys[] = {"patentImages1", "patentImages2", "applicationImages1",
                                "applicationImages2", "applicationSearch", "ops", "maker"};

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

bool PdfPassesQpdf(const std::string& path)
{
    const std::string cmd = "qpdf --check " + ShellQuote(path) + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

bool RecordingLauncher::Execute(const wxArrayString& argv, bool)
{
    if (argv.empty())
        return false;
    const bool print = argv[0].EndsWith("/lp");
    Note(print ? "print" : "open", argv.back());
    return succeed;
}

bool RecordingLauncher::OpenWithDefaultApplication(const wxString& path)
{
    Note("open", path);
    return succeed;
}

void RecordingLauncher::Note(const std::string& verb, const wxString& path)
{
    record->calls.push_back(verb + " " + path.utf8_string());
    record->pdfComplete.push_back(PdfPassesQpdf(path.utf8_string()));
}

AppTest::AppTest()
{
    WriteSettings("");
}

AppTest::~AppTest() = default;

// Closed here rather than in the destructor: closing delivers the window's
// last events, and handlers a derived test bound may still use its members.
void AppTest::TearDown()
{
    if (frameRef)
        CloseWindow();
}

void AppTest::WriteSettings(const std::string& rootLines, const std::string& serviceLines)
{
    std::string text = rootLines + "[hosts]\n";
    for (const char* key : hostKeys)
        text += std::string(key) + "=127.0.0.1:1\n";
    text += "[services]\n" + serviceLines;
    WriteFile(home.SettingsFile(), text);
}

MyFrame* AppTest::OpenWindow()
{
    frame = MyApp::CreateMainWindow();
    frameRef = frame;
    return frame;
}

void AppTest::CloseWindow()
{
    frame->Close(true);
    EXPECT_TRUE(PumpUntil([&] { return !frameRef; }, 20000));
    frame = nullptr;
}

wxListView* AppTest::List() const
{
    return static_cast<wxListView*>(wxWindow::FindWindowByName("listCtrl", frame));
}

wxTextCtrl* AppTest::Text() const
{
    return static_cast<wxTextCtrl*>(wxWindow::FindWindowByName("text", frame));
}

wxString AppTest::Status(long row) const
{
    return List()->GetItemText(row, 1);
}

wxString AppTest::Label(long row) const
{
    return List()->GetItemText(row, 0);
}

void AppTest::AddNumber(const wxString& text)
{
    wxTextCtrl* field = Text();
    field->ChangeValue(text);
    wxCommandEvent enter(wxEVT_TEXT_ENTER, ID_NUMBER_FIELD);
    enter.SetEventObject(field);
    enter.SetString(text);
    field->ProcessWindowEvent(enter);
}

void AppTest::Menu(int id)
{
    wxCommandEvent event(wxEVT_MENU, id);
    frame->ProcessWindowEvent(event);
}

void AppTest::SelectOnly(std::initializer_list<long> rows)
{
    wxListView* list = List();
    for (long row = 0; row < list->GetItemCount(); ++row)
        list->Select(row, false);
    for (long row : rows)
        list->Select(row, true);
}

std::shared_ptr<LaunchRecord> AppTest::RecordLaunches()
{
    auto record = std::make_shared<LaunchRecord>();
    frame->SetLauncher(std::make_unique<RecordingLauncher>(record));
    return record;
}

wxString StoredValue(const wxString& key)
{
    return OpenSettingsStore()->Read(key, wxString());
}

bool StoredHas(const wxString& key)
{
    return OpenSettingsStore()->HasEntry(key);
}
