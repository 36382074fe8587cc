#include "help/HtmlWindow.h"

#include <wx/log.h>
#include <wx/utils.h>

HtmlWindow::HtmlWindow(wxWindow* parent, const wxSize& size, const wxString& name)
    : wxHtmlWindow(parent, wxID_ANY, wxDefaultPosition, size, wxHW_SCROLLBAR_AUTO, name)
{
}

void HtmlWindow::OnLinkClicked(const wxHtmlLinkInfo& link)
{
    const wxString href = link.GetHref();
    if (href.StartsWith("#"))
        wxHtmlWindow::OnLinkClicked(link);
    else
        OpenExternal(href);
}

void HtmlWindow::OpenExternal(const wxString& href)
{
    wxLogNull quiet;  // wx would show its failure in an error box
    wxLaunchDefaultBrowser(href);
}

wxString EscapedHtml(const wxString& text)
{
    wxString html = text;
    html.Replace("&", "&amp;");
    html.Replace("<", "&lt;");
    html.Replace(">", "&gt;");
    return html;
}
