#include "AppFixture.h"

#include "GuiChooser.h"
#include "GuiTest.h"
#include "app/harvesterDrop.h"
#include "jobs/JobEvents.h"

#include <wx/filedlg.h>
#include <wx/listctrl.h>
#include <wx/testing.h>

namespace {

using ListsTest = AppTest;

// Thirty lines as people paste them: several kinds of number, the same
// document twice and typed two ways, blanks, comments, entries of no known
// format, a CR LF line end and a byte-order mark.
const std::string thirtyLines =
    "\xEF\xBB\xBF# cited in the search report\n5123456\nD0365123\r\n\nRE035136\nPP012835\n"
    "5,123,456\nABC\n20020000001\n09/836917\n   \nEP2219563\nEP2219563.B1\n# family members\n"
    "WO2004/012345\n000\nD0365123\nH0001520\nT0106201\n?\nX0000001\nAI000318\n\n6000051\n"
    "5123456\n" + std::string(250, '7') + "\nEP1000000\n, , ,\n# end\n7000000\n";

// The menu's file chooser and a file dropped on the window take the same way.
TEST_F(ListsTest, AListAddsEachDocumentOnceAndReportsItsInvalidLinesTogether)
{
    const std::string path = home.Path() + "/cited.txt";
    WriteFile(path, thirtyLines);
    for (const char* way : {"menu", "drop"}) {
        SCOPED_TRACE(way);
        WriteSettings("max_threads=0\n");  // rows only, no downloads
        OpenWindow();
        AddNumber("5,123,456");  // listed before the import: its line is skipped
        log.Clear();
        if (std::string(way) == "menu") {
            wxTEST_DIALOG(Menu(ID_IMPORT_LIST), ChooseFile(path));
        } else {
            auto* drop = dynamic_cast<harvesterDrop*>(frame->GetDropTarget());
            ASSERT_NE(drop, nullptr);
            wxArrayString files;
            files.Add(path);
            EXPECT_TRUE(drop->OnDropFiles(5, 5, files));
        }
        std::vector<wxString> rows;
        for (long row = 0; row < List()->GetItemCount(); ++row)
            rows.push_back(Label(row));
        const std::vector<wxString> want = {
            "5,123,456", "D0365123", "RE035136", "PP012835", "20020000001", "09/836917",
            "EP2219563", "EP2219563.B1", "WO2004/012345", "H0001520", "T0106201", "X0000001",
            "AI000318", "6000051", "EP1000000", "7000000"};
        EXPECT_EQ(rows, want);
        EXPECT_EQ(frame->WaitingCount(), want.size());
        EXPECT_TRUE(List()->IsVisible(List()->GetItemCount() - 1));

        ASSERT_EQ(log.Records().size(), 1u);
        ASSERT_EQ(log.Messages().size(), 1u) << "a note, not an error";
        const wxString message = log.Messages().at(0);
        EXPECT_TRUE(message.StartsWith("5 lines of cited.txt were not added -- Unknown Format:\n\n"
                                       "line 8: \"ABC\"\nline 16: \"000\"\nline 20: \"?\"\n"
                                       "line 26: \"7777777777777777777777777777777777777777...\"\n"
                                       "line 28: \", , ,\"\n\n\n"))
            << message;
        CloseWindow();
    }
}

// A long import downloads many pages; its usage warning comes once, not
// every 500 pages, until its rows have ended.
TEST_F(ListsTest, UsageWarningComesOnceWhileAnImportIsUnfinished)
{
    const std::string path = home.Path() + "/two.txt";
    WriteFile(path, "5123456\n6000051\n");
    WriteSettings("max_threads=0\n");
    OpenWindow();
    wxTEST_DIALOG(Menu(ID_IMPORT_LIST), ChooseFile(path));
    auto fetchPages = [&](int count) {
        for (int i = 0; i < count; ++i) {
            wxThreadEvent page(EVT_PAGE_FETCHED, -1);
            frame->ProcessWindowEvent(page);
        }
    };
    fetchPages(1500);
    EXPECT_EQ(log.Messages().size(), 1u);
    SelectOnly({0, 1});
    Menu(ID_CANCEL);
    fetchPages(500);
    EXPECT_EQ(log.Messages().size(), 2u);
}

TEST_F(ListsTest, SaveListAsWritesEachRowWithItsStatusAndPdf)
{
    WriteSettings("max_threads=1\n");
    OpenWindow();
    const std::string pdf = home.Path() + "/5123456.pdf";
    WriteFile(pdf, CompletePdfStub());
    AddNumber("5,123,456");
    AddNumber("6000051");
    SelectOnly({1});
    Menu(ID_CANCEL);
    ASSERT_TRUE(PumpUntil([&] { return Status(0) == "Previously Downloaded!"; }));
    const std::string csv = home.Path() + "/report.csv";
    wxTEST_DIALOG(Menu(ID_SAVE_LIST), ChooseFile(csv));
    EXPECT_EQ(ReadFile(csv), "entry,number,status,file\r\n"
                             "\"5,123,456\",5123456,Previously Downloaded!," + pdf + "\r\n"
                             "6000051,6000051,Cancelled,\r\n");
    EXPECT_TRUE(log.Errors().empty());
}

}  // namespace
