#include "help/HelpPage.h"
#include "help/HtmlWindow.h"
#include "update/Version.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/regex.h>
#include <wx/testing.h>

#include <vector>

namespace {

struct ContentsEntry
{
    const char* anchor;
    const char* text;
};

const std::vector<ContentsEntry> contents = {
    {"General_Usage_", "General Usage"},
    {"U.S._Publication_", "U.S. Publication"},
    {"U.S._Utility_Patent_by_patent_number_", "U.S. Utility by patent number"},
    {"U.S._Utility_Patent_by_serial_number_", "U.S. Utility by serial number"},
    {"U.S._X_Patent_(pre-1836)_", "U.S. X Patent (pre-1836)"},
    {"U.S._Design_Patent_", "U.S. Design Patent"},
    {"U.S._Plant_Patent_", "U.S. Plant Patent"},
    {"U.S._Reissue_Patent", "U.S. Reissue Patent"},
    {"U.S._Defensive_Publication_", "U.S. Defensive Publication"},
    {"U.S._Statutory_Registration_", "U.S. Statutory Registration"},
    {"U.S._Additional_Improvement_", "U.S. Additional Improvement"},
    {"PCT_Patent_by_patent_application_number_", "PCT Patent by patent application number"},
    {"terms", "Terms and Conditions"},
};

size_t CountOf(const wxString& text, const wxString& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != wxString::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(HelpPage, HeaderShowsVersionAndBuildDate)
{
    const wxString page = BuildHelpPage();
    EXPECT_TRUE(page.StartsWith("<p><center><H1>FolioHarvester</H1><br>"));
    wxRegEx header("<br>[^<]+<br><i>Version 2\\.23</i>&nbsp;&nbsp;\\(([A-Z][a-z]{2} [ 1-3][0-9] "
                   "[0-9]{4})\\)<br>",
                   wxRE_EXTENDED);
    ASSERT_TRUE(header.IsValid());
    ASSERT_TRUE(header.Matches(page)) << page.Left(300);
    size_t start = 0, length = 0;
    ASSERT_TRUE(header.GetMatch(&start, &length, 0));
    EXPECT_LT(start, 100u);
    EXPECT_EQ("2.23", versionText);
}

TEST(HelpPage, ContentsLinkEveryAnchorInTableOrder)
{
    const wxString page = BuildHelpPage();
    size_t previousLink = 0;
    for (const ContentsEntry& entry : contents) {
        SCOPED_TRACE(entry.anchor);
        const wxString anchor = wxString("<a name=\"") + entry.anchor + "\">";
        const wxString link = wxString("<a href=\"#") + entry.anchor + "\">" + entry.text + "</a>";
        EXPECT_EQ(1u, CountOf(page, anchor));
        const size_t linkAt = page.find(link);
        ASSERT_NE(wxString::npos, linkAt);
        EXPECT_GT(linkAt, previousLink);
        EXPECT_LT(linkAt, page.find("<b>Usage</b>"));
        previousLink = linkAt;
    }
    EXPECT_EQ(wxString::npos, page.find("U.S._Reissue_Patent_"));
}

TEST(HelpPage, SectionsInOrderWithExamplesAndWayBack)
{
    const wxString page = BuildHelpPage();
    size_t previous = page.find("<b>Usage</b>");
    ASSERT_NE(wxString::npos, previous);
    for (const ContentsEntry& entry : contents) {
        const size_t at = page.find(wxString("<a name=\"") + entry.anchor + "\">");
        EXPECT_GT(at, previous) << entry.anchor;
        previous = at;
    }
    for (const char* example : {"20020000001", "5123456", "5,123,456", "9/836917", "09/836917",
                                "09/836,917", "X0000001", "D0365123", "PP012835", "RE035136",
                                "T0106201", "H0001520", "AI000318", "EP2219563", "EP2219563.B1"})
        EXPECT_EQ(1u, CountOf(page, wxString("Example:&nbsp; ") + example + "<br>")) << example;
    // one way back per usage section and one after the credits
    EXPECT_EQ(13u, CountOf(page, "<a href=\"#Table_of_Contents\">Back to Table of Contents</a>"));
    const size_t terms = page.find("<a name=\"terms\"><b>Terms and Conditions</b></a>");
    const size_t credits = page.find("<b>Credits</b>");
    EXPECT_LT(terms, credits);
    EXPECT_TRUE(page.EndsWith("<br><a href=\"#Table_of_Contents\">Back to Table of Contents</a></p>"));
}

// Looks at the dialog when it is shown and answers OK, as the button would.
class HelpDialogInspection : public wxExpectModalBase<wxDialog, HelpDialogInspection>
{
public:
    struct Seen
    {
        bool htmlWindow = false;
        bool okIsDefault = false;
        wxSize size;
        wxString text;
        wxSize htmlGrowth;
        bool okAtBottomRight = false;
    };

    explicit HelpDialogInspection(Seen* seen) : seen(seen) {}

protected:
    int OnInvoked(wxDialog* dialog) const override
    {
        seen->size = dialog->GetSize();
        auto* html = dynamic_cast<HtmlWindow*>(wxWindow::FindWindowByName("htmlWindow", dialog));
        auto* ok = wxDynamicCast(dialog->FindWindow(wxID_OK), wxButton);
        seen->htmlWindow = html != nullptr;
        seen->okIsDefault = ok && dialog->GetDefaultItem() == ok;
        if (!html || !ok)
            return wxID_OK;
        seen->text = html->ToText();
        dialog->Layout();
        const wxSize before = html->GetSize();
        dialog->SetSize(1000, 700);
        dialog->Layout();
        seen->htmlGrowth = html->GetSize() - before;
        const wxRect button = ok->GetRect();
        const wxSize client = dialog->GetClientSize();
        seen->okAtBottomRight = client.x - button.GetRight() <= 20 && client.y - button.GetBottom() <= 20;
        return wxID_OK;
    }

private:
    Seen* seen;
};

TEST(HelpDialog, ShowsThePageAndClosesWithOk)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "owner");
    frame->Show();
    HelpDialogInspection::Seen seen;
    wxTEST_DIALOG(ShowHelpDialog(frame), HelpDialogInspection(&seen));
    EXPECT_TRUE(seen.htmlWindow);
    EXPECT_TRUE(seen.okIsDefault);
    EXPECT_EQ(wxSize(800, 500), seen.size);
    EXPECT_NE(wxNOT_FOUND, seen.text.Find("Table of Contents"));
    EXPECT_NE(wxNOT_FOUND, seen.text.Find("Version 2.23"));
    EXPECT_EQ(wxSize(200, 200), seen.htmlGrowth);
    EXPECT_TRUE(seen.okAtBottomRight);
    // the dialog is gone once ShowHelpDialog returns
    EXPECT_EQ(nullptr, wxWindow::FindWindowByName("htmlWindow"));
    frame->Destroy();
}

}  // namespace
