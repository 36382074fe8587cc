// The main window's lists of numbers: importing a list file as rows, and
// saving the rows with what became of them.
#include "app/MyFrame.h"

#include "app/JobListView.h"
#include "lists/ListFile.h"
#include "lists/ListImport.h"
#include "lists/ListReport.h"
#include "numbers/FormatHelp.h"
#include "numbers/JobEntry.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/textctrl.h>
#include <wx/wupdlock.h>

namespace {

const size_t invalidLinesShown = 5;
const size_t shownTextLength = 40;

wxString Shortened(const wxString& text)
{
    return text.length() <= shownTextLength ? text : text.Left(shownTextLength) + "...";
}

// One message for all of a list's invalid lines: how many, and the first few.
wxString InvalidLinesMessage(const wxString& listName, const std::vector<ListLine>& invalid)
{
    wxString message = wxString::Format(
        invalid.size() == 1 ? "%zu line of %s was not added -- Unknown Format:\n"
                            : "%zu lines of %s were not added -- Unknown Format:\n",
        invalid.size(), listName);
    for (size_t i = 0; i < invalid.size() && i < invalidLinesShown; ++i)
        message += wxString::Format("\nline %d: \"%s\"", invalid[i].line, Shortened(invalid[i].text));
    if (invalid.size() > invalidLinesShown)
        message += wxString::Format("\nand %zu more", invalid.size() - invalidLinesShown);
    return message + "\n\n\n" + FormatHelpText();
}

}  // namespace

void MyFrame::OnImportList(wxCommandEvent&)
{
    wxFileDialog dialog(this, "Import List", wxEmptyString, wxEmptyString,
                        "Text files (*.txt)|*.txt|All files|*", wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() == wxID_OK)
        ImportListFile(dialog.GetPath());
}

bool MyFrame::ImportDroppedFiles(const wxArrayString& paths)
{
    if (draggingRowsOut)
        return false;
    for (const wxString& path : paths)
        ImportListFile(path);
    return true;
}

void MyFrame::ImportListFile(const wxString& path)
{
    ListFile list;
    wxString error;
    if (!ReadListFile(path, list, error)) {
        wxLogError("%s", error);
        return;
    }
    const wxString name = wxFileName(path).GetFullName();
    ImportList(list, name);
    if (list.leftOut != 0)
        wxLogMessage("%s", LeftOutLine(name, list));
}

// Each new entry goes the way of a typed one; the list is drawn once, at the end.
void MyFrame::ImportList(const ListFile& list, const wxString& name)
{
    std::set<wxString> listed = ListedDocuments();
    const ListImport import = SortList(list, listed);
    long lastRow = -1;
    {
        wxWindowUpdateLocker drawnOnce(listCtrl);
        for (const ListLine& line : import.add) {
            auto* entry = new JobEntry(line.text);
            importing.insert(entry);
            lastRow = AddRow(line.text, entry);
        }
    }
    if (lastRow != -1)
        listView->ShowRow(lastRow);
    // The rest of the list was added: a note, not an error.
    if (!import.invalid.empty())
        wxLogMessage("%s", InvalidLinesMessage(name, import.invalid));
    textCtrl->SetFocus();
}

std::set<wxString> MyFrame::ListedDocuments() const
{
    std::set<wxString> listed;
    for (long row = 0; row < listCtrl->GetItemCount(); ++row)
        if (const JobEntry* entry = EntryAt(row))
            listed.insert(DocumentKey(entry->classified));
    return listed;
}

bool MyFrame::ImportUnfinished()
{
    for (auto it = importing.begin(); it != importing.end();)
        it = (*it)->finished ? importing.erase(it) : std::next(it);
    if (importing.empty())
        importWarned = false;
    return !importing.empty();
}

void MyFrame::OnSaveList(wxCommandEvent&)
{
    wxFileDialog dialog(this, "Save List As", wxEmptyString, "FolioHarvester list.csv",
                        "CSV files (*.csv)|*.csv|All files|*", wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    std::vector<ReportRow> rows;
    for (long row = 0; row < listCtrl->GetItemCount(); ++row) {
        const JobEntry* entry = EntryAt(row);
        rows.push_back({listCtrl->GetItemText(row, 0), entry ? entry->number : wxString(),
                        listCtrl->GetItemText(row, 1), entry ? entry->pdfPath : wxString()});
    }
    wxString error;
    if (!WriteReport(dialog.GetPath(), rows, error))
        wxLogError("%s", error);
}
