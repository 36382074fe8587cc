#include "setup/CheckResult.h"

#include "help/HtmlWindow.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/html/htmlwin.h>
#include <wx/sizer.h>
#include <wx/statline.h>

namespace {

wxString Paragraph(const CheckLine& line)
{
    const wxString verdict = line.ok ? "<font color=\"#006000\">OK</font>" : "<font color=\"#c00000\">FAILED</font>";
    return "<p><b>" + verdict + "</b> " + EscapedHtml(line.service + " (" + line.where + "): " + line.detail) +
           "</p>\n";
}

// The server's own page, in UTF-8 or else as Latin-1, whose bytes all mean something.
wxString PageText(const std::string& bytes)
{
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return text;
}

}  // namespace

wxString CheckResultPage(const std::vector<CheckLine>& lines, const std::string& proxyTestPage)
{
    wxString page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                    "<title>Proxy Test</title></head>\n<body>\n"
                    "<h3>The services through these network settings</h3>\n";
    for (const CheckLine& line : lines)
        page += Paragraph(line);
    if (!proxyTestPage.empty())
        page += "<hr>\n" + PageText(proxyTestPage) + "\n";
    return page + "</body></html>\n";
}

void ShowCheckResult(wxWindow* parent, const wxString& title, const wxString& page)
{
    wxDialog result(parent, wxID_ANY, title, wxDefaultPosition, wxSize(640, 400),
                    wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER, title);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* html = new wxHtmlWindow(&result, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxHW_SCROLLBAR_AUTO,
                                  "htmlWindow");
    html->SetPage(page);
    sizer->Add(html, 1, wxEXPAND | wxALL, 10);
    sizer->Add(new wxStaticLine(&result, wxID_ANY), 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    auto* ok = new wxButton(&result, wxID_OK, "OK");
    ok->SetDefault();
    sizer->Add(ok, 0, wxALL | wxALIGN_RIGHT, 15);
    result.SetSizer(sizer);
    result.ShowModal();
}
