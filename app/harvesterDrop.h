#pragma once

#include <wx/dnd.h>

#include <functional>

class wxFileDataObject;
class wxTextCtrl;
class wxTextDataObject;

// Text dropped anywhere on the main window replaces the number field's
// content; it becomes a job only when the user presses Enter or "Download".
// Dropped files are handed to `importFiles` as lists of numbers.
class harvesterDrop : public wxDropTarget
{
public:
    using ImportFiles = std::function<bool(const wxArrayString& paths)>;

    harvesterDrop(wxTextCtrl* textCtrl, ImportFiles importFiles);
    ~harvesterDrop() override;

    bool OnDropText(wxCoord x, wxCoord y, const wxString& text);
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& paths);

    wxDragResult OnData(wxCoord x, wxCoord y, wxDragResult result) override;

private:
    wxTextCtrl* textCtrl;
    ImportFiles importFiles;
    // Parts of the drop target's data object, which owns them.
    wxFileDataObject* files;
    wxTextDataObject* text;
};
