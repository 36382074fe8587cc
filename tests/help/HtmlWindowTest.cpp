#include "help/HelpPage.h"
#include "help/HtmlWindow.h"

#include "GuiTest.h"
#include "RecordingLog.h"
#include "TempHome.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/html/htmlcell.h>
#include <wx/utils.h>

#include <vector>

namespace {

// Records what would go to the browser instead of starting one.
class RecordingHtmlWindow : public HtmlWindow
{
public:
    using HtmlWindow::HtmlWindow;
    using HtmlWindow::OnCellClicked;  // what a mouse click on a cell runs
    std::vector<wxString> opened;

protected:
    void OpenExternal(const wxString& href) override { opened.push_back(href); }
};

class HtmlWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "help", wxDefaultPosition, wxSize(800, 500));
        html = new RecordingHtmlWindow(frame, wxDefaultSize, "htmlWindow");
        html->SetPage(BuildHelpPage());
        frame->Show();
        PumpFor(200);
    }
    void TearDown() override { frame->Destroy(); }

    // The rendered link cell whose target is `href`.
    const wxHtmlCell* LinkCell(const wxString& href) const
    {
        const wxHtmlContainerCell* page = html->GetInternalRepresentation();
        for (wxHtmlTerminalCellsInterator cell(page->GetFirstTerminal(), page->GetLastTerminal());
             cell; ++cell) {
            const wxHtmlLinkInfo* link = cell->GetLink();
            if (link && link->GetHref() == href)
                return *cell;
        }
        return nullptr;
    }

    // A click on the link's text, as the mouse would deliver it.
    void Click(const wxString& href)
    {
        const wxHtmlCell* cell = LinkCell(href);
        ASSERT_NE(nullptr, cell) << href;
        wxMouseEvent up(wxEVT_LEFT_UP);
        html->OnCellClicked(const_cast<wxHtmlCell*>(cell), 1, 1, up);
        PumpFor(50);
    }

    int Top() const { return html->GetViewStart().y; }

    bool IsVisible(const wxString& href) const
    {
        const wxHtmlCell* cell = LinkCell(href);
        if (!cell)
            return false;
        int unitX = 0, unitY = 0;
        html->GetScrollPixelsPerUnit(&unitX, &unitY);
        const int y = cell->GetAbsPos().y - Top() * unitY;
        return y >= 0 && y + cell->GetHeight() <= html->GetClientSize().y;
    }

    wxFrame* frame = nullptr;
    RecordingHtmlWindow* html = nullptr;
};

TEST_F(HtmlWindowTest, AnchorLinksScrollInPlaceWithoutBrowser)
{
    ASSERT_GT(html->GetVirtualSize().y, html->GetClientSize().y) << "page must need scrolling";
    ASSERT_EQ(0, Top());
    Click("#terms");
    const int termsTop = Top();
    EXPECT_GT(termsTop, 0);
    EXPECT_FALSE(IsVisible("#General_Usage_"));
    Click("#Table_of_Contents");
    const int contentsTop = Top();
    EXPECT_LT(contentsTop, termsTop);
    EXPECT_TRUE(IsVisible("#General_Usage_"));
    EXPECT_TRUE(IsVisible("#terms"));
    Click("#EP_documents");
    EXPECT_GT(Top(), contentsTop);
    EXPECT_LT(Top(), termsTop);
    EXPECT_TRUE(html->opened.empty());
    EXPECT_TRUE(html->GetOpenedPage().empty());
}

TEST_F(HtmlWindowTest, WebLinksGoToTheBrowserAndLeaveThePage)
{
    const wxString textBefore = html->ToText();
    const int topBefore = Top();
    for (const wxString href : {"https://www.uspto.gov/", "https://www.wxwidgets.org/", "https://developers.epo.org"}) {
        html->opened.clear();
        Click(href);
        ASSERT_EQ(1u, html->opened.size()) << href;
        EXPECT_EQ(href, html->opened[0]);
    }
    EXPECT_EQ(textBefore, html->ToText());
    EXPECT_EQ(topBefore, Top());
    EXPECT_TRUE(html->GetOpenedPage().empty());
}

TEST_F(HtmlWindowTest, OnlyHashTargetsAreAnchors)
{
    // "terms" without "#" is a target outside the page, not the terms section.
    html->OnLinkClicked(wxHtmlLinkInfo("terms"));
    ASSERT_EQ(1u, html->opened.size());
    EXPECT_EQ("terms", html->opened[0]);
    EXPECT_EQ(0, Top());
    // An anchor that is not in the page leaves the view where it is.
    html->OnLinkClicked(wxHtmlLinkInfo("#no_such_anchor"));
    EXPECT_EQ(0, Top());
    EXPECT_EQ(1u, html->opened.size());
}

// Nothing can open the link (no handler for its scheme, no xdg-open on
// PATH): the click is ignored without an error box.
TEST(HtmlWindowLinks, LinkThatCannotBeOpenedIsNotReported)
{
    TempHome home;
    RecordingLog log;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "help");
    auto* html = new HtmlWindow(frame, wxDefaultSize, "htmlWindow");
    frame->Show();
    wxString oldPath;
    wxGetEnv("PATH", &oldPath);
    wxSetEnv("PATH", wxString(home.Dir("empty-bin")));
    html->OnLinkClicked(wxHtmlLinkInfo("folioharvester-nowhere:page"));
    wxSetEnv("PATH", oldPath);
    PumpFor(50);
    EXPECT_TRUE(log.Records().empty()) << log.Records().front().text;
    frame->Destroy();
}

}  // namespace
