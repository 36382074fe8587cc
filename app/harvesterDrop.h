#pragma once

#include <wx/dnd.h>

class wxTextCtrl;

// Text dropped anywhere on the main window replaces the number field's
// content; it becomes a job only when the user presses Enter or "Download".
class harvesterDrop : public wxTextDropTarget
{
public:
    explicit harvesterDrop(wxTextCtrl* textCtrl);
    ~harvesterDrop() override;

    bool OnDropText(wxCoord x, wxCoord y, const wxString& text) override;

private:
    wxTextCtrl* textCtrl;
};
