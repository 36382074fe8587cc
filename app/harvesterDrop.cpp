#include "app/harvesterDrop.h"

#include <wx/textctrl.h>

harvesterDrop::harvesterDrop(wxTextCtrl* textCtrl)
    : textCtrl(textCtrl)
{
}

harvesterDrop::~harvesterDrop() = default;

bool harvesterDrop::OnDropText(wxCoord, wxCoord, const wxString& text)
{
    textCtrl->ChangeValue(text);
    return true;
}
