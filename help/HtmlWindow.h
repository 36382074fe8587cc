#pragma once

#include <wx/html/htmlwin.h>

// The help page's viewer: anchors in the page scroll in place, every other
// link opens in the user's browser.
class HtmlWindow : public wxHtmlWindow
{
public:
    HtmlWindow(wxWindow* parent, const wxSize& size, const wxString& name);

    void OnLinkClicked(const wxHtmlLinkInfo& link) override;

protected:
    // Hands a link outside the page to the desktop; its failure is not reported.
    virtual void OpenExternal(const wxString& href);
};

// Plain text as an HTML page shows it.
wxString EscapedHtml(const wxString& text);
