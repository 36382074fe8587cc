#include "help/HelpPage.h"
#include "numbers/FormatHelp.h"
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
    wxString anchor;
    wxString text;
};

// Every section the contents must link, in page order.
std::vector<ContentsEntry> Contents()
{
    std::vector<ContentsEntry> contents = {{"General_Usage_", "General Usage"}};
    for (const FormatGroup& group : FormatGroups())
        contents.push_back({group.anchor, group.title});
    contents.push_back({"Getting_an_OPS_key_", "Getting an EPO OPS key"});
    contents.push_back({"Routes_", "Where documents come from"});
    contents.push_back({"terms", "Terms and Conditions"});
    return contents;
}

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

TEST(HelpPage, ContentsLinkEverySectionInPageOrder)
{
    const wxString page = BuildHelpPage();
    size_t previousLink = 0;
    size_t previousSection = page.find("<b>Usage</b>");
    ASSERT_NE(wxString::npos, previousSection);
    for (const ContentsEntry& entry : Contents()) {
        SCOPED_TRACE(entry.anchor);
        const wxString anchor = "<a name=\"" + entry.anchor + "\">";
        const wxString link = "<a href=\"#" + entry.anchor + "\">" + entry.text + "</a>";
        EXPECT_EQ(1u, CountOf(page, anchor));
        const size_t linkAt = page.find(link);
        ASSERT_NE(wxString::npos, linkAt);
        EXPECT_GT(linkAt, previousLink);
        EXPECT_LT(linkAt, page.find("<b>Usage</b>"));
        previousLink = linkAt;
        const size_t sectionAt = page.find(anchor);
        EXPECT_GT(sectionAt, previousSection);
        previousSection = sectionAt;
    }
    // one way back per section and one after the credits
    EXPECT_EQ(Contents().size(), CountOf(page, "<a href=\"#Table_of_Contents\">Back to Table of Contents</a>"));
    EXPECT_TRUE(page.EndsWith("<br><a href=\"#Table_of_Contents\">Back to Table of Contents</a></p>"));
}

// What a new user must learn from the page, as the window shows it: each
// example, that serial numbers need the classic route, and how to get the key.
TEST(HelpPage, ExamplesAndTheWayToTheOpsKeyAreOnThePage)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "help");
    auto* html = new HtmlWindow(frame, wxDefaultSize, "htmlWindow");
    html->SetPage(BuildHelpPage());
    const wxString text = html->ToText();
    html->Destroy();
    frame->Destroy();
    for (const FormatGroup& group : FormatGroups())
        for (const FormatGroup::Example& example : group.examples)
            EXPECT_EQ(1u, CountOf(BuildHelpPage(), wxString("Example:&nbsp; ") + example.number + "&nbsp;"))
                << example.number;
    for (const char* needed : {"OPS key", "developers.epo.org", "\"My Apps\"", "File > Setup > Services",
                               "classic route only", "FOLIOHARVESTER_OPS_KEY"})
        EXPECT_TRUE(text.Contains(needed)) << needed;
    EXPECT_FALSE(text.Contains("PCT Patent"));
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
