#pragma once

#include <wx/statusbr.h>

#include <vector>

// The main window's two-field status line. Its font is made small enough for
// the page counter and the update check's text to fit side by side in a
// window of the default width; the update check's field is as wide as its
// text, and the first field has the rest, where a text too long for it
// loses its start.
class StatusLine : public wxStatusBar
{
public:
    StatusLine(wxWindow* parent, wxWindowID id, long style, const wxString& name);

protected:
    void DoUpdateStatusText(int field) override;

private:
    int TextWidth(const wxString& text) const;
    int GripWidth() const;
    void FitFont();
    void FitFields();

    std::vector<int> fieldWidths;
};
