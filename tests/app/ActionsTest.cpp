#include "AppFixture.h"

#include "GuiTest.h"
#include "OfficeSim.h"
#include "jobs/JobEvents.h"
#include "jobs/SearchableDownload.h"

#include <wx/listctrl.h>
#include <wx/mimetype.h>
#include <wx/utils.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace {

class ActionsTest : public AppTest
{
protected:
    void Start(const std::string& faults = "", const std::string& rootLines = "")
    {
        ASSERT_TRUE(sim.Running());
        saveDir = home.Dir("pdfs");
        WriteSettings("Path=" + saveDir + "\nlastCheck=" + std::to_string(time(nullptr)) + "\n" + rootLines);
        sim.WriteSettings(home.SettingsFile());
        if (!faults.empty())
            sim.Faults(faults);
        OpenWindow();
        record = RecordLaunches();
    }
    bool Finished(long row)
    {
        return PumpUntil([&] { return Status(row) == "Finished!"; }, 20000);
    }
    bool Reaped()
    {
        return PumpUntil([&] { return frame->RunningCount() == 0; }, 20000);
    }
    std::string Pdf(const std::string& name) const { return saveDir + "/" + name; }

    OfficeSim sim{"--quiet"};
    std::string saveDir;
    std::shared_ptr<LaunchRecord> record;
};

const char slowPages[] = R"([{"path": "PageNum=", "action": "delay", "ms": 600}])";

// Puts an executable `name` first on PATH while it lives. When run, it
// writes its arguments, one a line, to `name`.args in its folder and ends
// with `exitStatus`.
class FakeProgram
{
public:
    FakeProgram(const std::string& dir, const std::string& name, int exitStatus = 0)
        : record(dir + "/" + name + ".args")
    {
        const std::string program = dir + "/" + name;
        WriteFile(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + ".part'\nmv '" +
                               record + ".part' '" + record + "'\nexit " +
                               std::to_string(exitStatus) + "\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
        wxGetEnv("PATH", &oldPath);
        wxSetEnv("PATH", wxString(dir) + ":" + oldPath);
    }
    ~FakeProgram() { wxSetEnv("PATH", oldPath); }

    bool Ran() const { return FileExists(record); }
    void Forget() const { std::remove(record.c_str()); }
    std::string Args() const { return ReadFile(record); }

private:
    std::string record;
    wxString oldPath;
};

TEST_F(ActionsTest, OpenAndPrintMarksAreCarriedOutOnceOpenFirst)
{
    FakeProgram lp(home.Dir("bin"), "lp");
    Start(slowPages);
    AddNumber("5123456");
    SelectOnly({0});
    Menu(ID_PRINT);
    Menu(ID_OPEN);
    Menu(ID_OPEN);
    ASSERT_TRUE(Finished(0));
    ASSERT_TRUE(Reaped());
    const std::string pdf = Pdf("5123456.pdf");
    ASSERT_EQ(record->calls, (std::vector<std::string>{"open " + pdf, "print " + pdf}));
    EXPECT_TRUE(record->pdfComplete[0]);

    // On a finished row both act at once.
    Menu(ID_OPEN);
    Menu(ID_PRINT);
    ASSERT_EQ(record->calls.size(), 4u);
    EXPECT_EQ(record->calls[2], "open " + pdf);
    EXPECT_EQ(record->calls[3], "print " + pdf);
    EXPECT_TRUE(log.Errors().empty());
}

// The stored choice makes the window's downloads searchable: the row counts
// the pages recognised, and Open marked meanwhile opens the searchable file.
TEST_F(ActionsTest, ChosenSearchablePdfsAreRecognisedBeforeTheRowOpensThem)
{
    if (!SearchableDownload::Available())
        GTEST_SKIP() << "a build without OCR";
    Start("", "ocr=1\n");
    AddNumber("5123456");
    ASSERT_TRUE(PumpUntil([&] { return Status(0).StartsWith("Making searchable: page "); }, 20000));
    SelectOnly({0});
    Menu(ID_OPEN);
    ASSERT_TRUE(PumpUntil([&] { return Status(0) == "Finished!"; }, 120000));
    ASSERT_TRUE(Reaped());
    const std::string pdf = Pdf("5123456.pdf"), text = Pdf("5123456.txt");
    EXPECT_EQ(record->calls, std::vector<std::string>{"open " + pdf});
    ASSERT_EQ(std::system(("pdftotext '" + pdf + "' '" + text + "'").c_str()), 0);
    EXPECT_NE(ReadFile(text).find("US5123456 PAGE 3 OF 3"), std::string::npos) << ReadFile(text);
}

TEST_F(ActionsTest, MarksOnPreviouslyDownloadedDocumentsAreCarriedOut)
{
    FakeProgram lp(home.Dir("bin"), "lp");
    Start();
    const std::string pdf = Pdf("5123456.pdf");
    WriteFile(pdf, CompletePdfStub());
    AddNumber("5123456");
    SelectOnly({0});
    Menu(ID_OPEN);
    Menu(ID_PRINT);
    ASSERT_TRUE(PumpUntil([&] { return Status(0) == "Previously Downloaded!"; }));
    ASSERT_TRUE(Reaped());
    EXPECT_EQ(record->calls, (std::vector<std::string>{"open " + pdf, "print " + pdf}));
}

TEST_F(ActionsTest, NoViewerOrPrinterIsReported)
{
    Start();
    auto failing = std::make_shared<LaunchRecord>();
    frame->SetLauncher(std::make_unique<RecordingLauncher>(failing, false));
    wxString oldPath;
    wxGetEnv("PATH", &oldPath);
    wxSetEnv("PATH", wxString(home.Dir("empty-bin")));
    const bool printed = frame->PrintPdf(Pdf("x.pdf"));
    const bool haveLp = !PdfLauncher::PrintCommand("x.pdf").empty();
    wxSetEnv("PATH", oldPath);
    EXPECT_FALSE(printed);
    EXPECT_FALSE(haveLp);
    EXPECT_FALSE(frame->OpenPdf(Pdf("x.pdf")));
    EXPECT_TRUE(frame->OpenPdf(""));
    EXPECT_TRUE(frame->PrintPdf(""));
    ASSERT_EQ(log.Errors().size(), 2u);
    for (const wxString& error : log.Errors())
        EXPECT_EQ(error, "No PDF Reader Found.  Please install a PDF reader.");
}

TEST_F(ActionsTest, PrintCommandUsesLpAndKeepsOddNamesOneArgument)
{
    FakeProgram lp(home.Dir("bin"), "lp");
    const wxArrayString argv = PdfLauncher::PrintCommand("-a b'c.pdf");
    ASSERT_EQ(argv.size(), 3u);
    EXPECT_EQ(argv[0], home.Dir("bin") + "/lp");
    EXPECT_EQ(argv[1], "--");
    EXPECT_EQ(argv[2], "-a b'c.pdf");
}

TEST_F(ActionsTest, RemoveAndDeleteSeveralSelectedRows)
{
    Start();
    for (const char* number : {"5123456", "RE035136", "PP012835", "X0000001", "6000051"})
        AddNumber(number);
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (long row = 0; row < 5; ++row)
                if (Status(row) != "Finished!")
                    return false;
            return frame->RunningCount() == 0;
        },
        30000));
    std::vector<std::string> pdfs;
    for (long row = 0; row < 5; ++row) {
        SelectOnly({row});
        pdfs.push_back(frame->SelectedPdfPaths()[0].utf8_string());
        ASSERT_TRUE(FileExists(pdfs.back())) << pdfs.back();
    }
    std::remove(pdfs[4].c_str());  // already gone: deleting it says nothing

    SelectOnly({0, 2, 4});
    Menu(ID_DELETE);
    ASSERT_EQ(List()->GetItemCount(), 2);
    EXPECT_EQ(Label(0), "RE035136");
    EXPECT_EQ(Label(1), "X0000001");
    EXPECT_FALSE(FileExists(pdfs[0]));
    EXPECT_FALSE(FileExists(pdfs[2]));
    EXPECT_TRUE(FileExists(pdfs[1]));
    for (const wxString& error : log.Errors())
        ADD_FAILURE() << error;

    SelectOnly({0, 1});
    Menu(ID_REMOVE);
    EXPECT_EQ(List()->GetItemCount(), 0);
    EXPECT_TRUE(FileExists(pdfs[1]));
    EXPECT_TRUE(FileExists(pdfs[3]));
}

TEST_F(ActionsTest, DeletingARunningRowStopsItAndLeavesNoFile)
{
    Start(slowPages);
    AddNumber("5123456");
    AddNumber("RE035136");
    SelectOnly({0});
    Menu(ID_OPEN);  // the mark goes with the row
    ASSERT_TRUE(PumpUntil([&] { return Status(0).StartsWith("Downloading page"); }));
    Menu(ID_DELETE);
    ASSERT_EQ(List()->GetItemCount(), 1);
    EXPECT_EQ(Label(0), "RE035136");
    EXPECT_EQ(frame->RunningCount(), 1u);
    ASSERT_TRUE(Finished(0));
    ASSERT_TRUE(Reaped());
    PumpFor(200);
    EXPECT_FALSE(FileExists(Pdf("5123456.pdf")));
    SelectOnly({0});
    EXPECT_TRUE(FileExists(frame->SelectedPdfPaths()[0].utf8_string()));
    EXPECT_TRUE(record->calls.empty());
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(ActionsTest, StatusEventsReachOnlyLiveRows)
{
    Start(slowPages);
    AddNumber("5123456");
    wxThreadEvent stale(EVT_JOB_STATUS, 7);
    stale.SetString("from nowhere");
    stale.SetPayload<wxThread*>(nullptr);
    frame->ProcessWindowEvent(stale);
    wxThreadEvent own(EVT_JOB_STATUS, 0);
    own.SetString("injected");
    own.SetPayload<wxThread*>(nullptr);
    frame->ProcessWindowEvent(own);
    EXPECT_EQ(Status(0), "injected");
    SelectOnly({0});
    Menu(ID_CANCEL);
    frame->ProcessWindowEvent(own);  // a stopped job's late status changes nothing
    PumpFor(300);
    EXPECT_EQ(Status(0), "Cancelled");
}

// Makes `program` the desktop's PDF viewer while it lives, through the
// user's XDG data folder, which is where wx looks up file types.
class PdfViewerAssociation
{
public:
    PdfViewerAssociation(const std::string& dataDir, const std::string& program)
    {
        std::filesystem::create_directories(dataDir + "/applications");
        std::filesystem::create_directories(dataDir + "/mime");
        WriteFile(dataDir + "/applications/" + program + ".desktop",
                  "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + program +
                      " %f\nMimeType=application/pdf;\n");
        WriteFile(dataDir + "/applications/defaults.list",
                  "[Default Applications]\napplication/pdf=" + program + ".desktop\n");
        WriteFile(dataDir + "/mime/globs", "application/pdf:*.pdf\n");
        hadDataHome = wxGetEnv("XDG_DATA_HOME", &oldDataHome);
        wxSetEnv("XDG_DATA_HOME", wxString(dataDir));
        Reload();
    }
    ~PdfViewerAssociation()
    {
        if (hadDataHome)
            wxSetEnv("XDG_DATA_HOME", oldDataHome);
        else
            wxUnsetEnv("XDG_DATA_HOME");
        Reload();
    }

private:
    static void Reload()
    {
        wxTheMimeTypesManager->ClearData();
        wxTheMimeTypesManager->Initialize();
    }
    bool hadDataHome = false;
    wxString oldDataHome;
};

using LauncherTest = AppTest;

// The registered viewer gets the PDF's path as one argument, whatever
// quotes and blanks the save folder's name holds.
TEST_F(LauncherTest, ViewerGetsThePathUnchanged)
{
    FakeProgram viewer(home.Dir("bin"), "viewer");
    PdfViewerAssociation association(home.Path() + "/xdg", "viewer");
    OpenWindow();
    for (const std::string folder : {"Bob's docs", "Bob's", "say \"hi\" & 'bye'"}) {
        SCOPED_TRACE(folder);
        viewer.Forget();
        const std::string pdf = home.Dir(folder) + "/5123456.pdf";
        EXPECT_TRUE(frame->OpenPdf(wxString::FromUTF8(pdf)));
        ASSERT_TRUE(PumpUntil([&] { return viewer.Ran(); }));
        EXPECT_EQ(viewer.Args(), pdf + "\n");
    }
    EXPECT_TRUE(log.Errors().empty());
}

// A print request that `lp` refuses (no default printer, say) is reported.
TEST_F(LauncherTest, RefusedPrintRequestIsReported)
{
    FakeProgram lp(home.Dir("bin"), "lp", 1);
    OpenWindow();
    const std::string pdf = home.Dir("Bob's docs") + "/5123456.pdf";
    EXPECT_TRUE(frame->PrintPdf(wxString::FromUTF8(pdf)));
    ASSERT_TRUE(PumpUntil([&] { return !log.Errors().empty(); }));
    EXPECT_EQ(lp.Args(), "--\n" + pdf + "\n");
    EXPECT_EQ(log.Errors(),
              std::vector<wxString>{"No PDF Reader Found.  Please install a PDF reader."});
}

}  // namespace
