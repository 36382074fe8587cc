#pragma once

#include "app/MyFrame.h"
#include "app/PdfLauncher.h"

#include "RecordingLog.h"
#include "TempHome.h"

#include <gtest/gtest.h>
#include <wx/weakref.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class wxListView;
class wxTextCtrl;

// What a test's launcher was asked to do, in order: "open <path>" or
// "print <path>", and whether the PDF passed qpdf --check at that moment.
struct LaunchRecord
{
    std::vector<std::string> calls;
    std::vector<bool> pdfComplete;
};

// Records instead of starting a viewer or a printer.
class RecordingLauncher : public PdfLauncher
{
public:
    explicit RecordingLauncher(std::shared_ptr<LaunchRecord> record, bool succeed = true)
        : record(std::move(record)), succeed(succeed) {}

protected:
    bool Execute(const wxArrayString& argv, bool reportFailure) override;
    bool OpenWithDefaultApplication(const wxString& path) override;

private:
    void Note(const std::string& verb, const wxString& path);
    std::shared_ptr<LaunchRecord> record;
    bool succeed;
};

bool PdfPassesQpdf(const std::string& path);

// A temporary HOME whose settings choose the classic routes and point every
// remote host at a closed loopback port (so the start-up update check never
// leaves the machine), a recording log, and helpers to drive a real main window.
class AppTest : public ::testing::Test
{
protected:
    AppTest();
    ~AppTest() override;
    void TearDown() override;

    // Settings lines for the root group, written before the hosts group, and
    // those of the services group (and any groups after it).
    void WriteSettings(const std::string& rootLines,
                       const std::string& serviceLines = "us=classic\nother=classic\n");
    MyFrame* OpenWindow();
    // Closes the window through its close handler and waits until it is gone.
    void CloseWindow();

    wxListView* List() const;
    wxTextCtrl* Text() const;
    wxString Status(long row) const;
    wxString Label(long row) const;
    void AddNumber(const wxString& text);
    void Menu(int id);
    void SelectOnly(std::initializer_list<long> rows);
    std::shared_ptr<LaunchRecord> RecordLaunches();

    TempHome home;
    RecordingLog log;
    MyFrame* frame = nullptr;
    wxWeakRef<MyFrame> frameRef;
};

// A settings value as the program's store reads it.
wxString StoredValue(const wxString& key);
bool StoredHas(const wxString& key);
