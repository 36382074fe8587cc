#pragma once

#include <wx/statusbr.h>

#include <vector>

// The main window's two-field status line. Its font is made small enough for
// the page counter and the update check's text to fit side by side in a
// window of the default width, and each field is as wide as its text asks
// for, so a long text takes room from a short one instead of being cut.
class StatusLine : public wxStatusBar
{
public:
    StatusLine(wxWindow* parent, wxWindowID id, long style, const wxString& name);

protected:
    void DoUpdateStatusText(int field) override;

private:
    int TextWidth(const wxString& text) const;
    void FitFont();
    void FitFields();

    std::vector<int> fieldWeights;
};
