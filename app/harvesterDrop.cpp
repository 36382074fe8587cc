#include "app/harvesterDrop.h"

#include <wx/dataobj.h>
#include <wx/textctrl.h>

harvesterDrop::harvesterDrop(wxTextCtrl* textCtrl, ImportFiles importFiles)
    : textCtrl(textCtrl),
      importFiles(std::move(importFiles)),
      files(new wxFileDataObject),
      text(new wxTextDataObject)
{
    // A file manager offers a file's name as text too: the file comes first.
    auto* either = new wxDataObjectComposite;
    either->Add(files, true);
    either->Add(text);
    SetDataObject(either);
}

harvesterDrop::~harvesterDrop() = default;

bool harvesterDrop::OnDropText(wxCoord, wxCoord, const wxString& dropped)
{
    textCtrl->ChangeValue(dropped);
    return true;
}

bool harvesterDrop::OnDropFiles(wxCoord, wxCoord, const wxArrayString& paths)
{
    return importFiles && importFiles(paths);
}

wxDragResult harvesterDrop::OnData(wxCoord x, wxCoord y, wxDragResult result)
{
    if (!GetData())
        return wxDragNone;
    const auto* either = static_cast<wxDataObjectComposite*>(GetDataObject());
    const bool dropped = either->GetReceivedFormat() == wxDF_FILENAME
                             ? OnDropFiles(x, y, files->GetFilenames())
                             : OnDropText(x, y, text->GetText());
    return dropped ? result : wxDragNone;
}
