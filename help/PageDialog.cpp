#include "help/PageDialog.h"

#include "help/HtmlWindow.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/statline.h>

void ShowPageDialog(wxWindow* parent, const wxString& title, const wxSize& size, const wxString& page)
{
    wxDialog dialog(parent, wxID_ANY, title, wxDefaultPosition, size, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* html = new HtmlWindow(&dialog, wxDefaultSize, "htmlWindow");
    html->SetPage(page);
    sizer->Add(html, 1, wxEXPAND | wxALL, 10);
    sizer->Add(new wxStaticLine(&dialog, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLI_HORIZONTAL),
               0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    auto* ok = new wxButton(&dialog, wxID_OK, "OK");
    ok->SetDefault();
    sizer->Add(ok, 0, wxALL | wxALIGN_RIGHT, 15);
    dialog.SetSizer(sizer);
    dialog.ShowModal();
}
