#pragma once

#include <wx/dialog.h>
#include <wx/string.h>

class wxChoice;
class wxStaticText;
class wxTextCtrl;
class wxCommandEvent;
class wxInputStream;

// The modal "Setup" dialog: network settings on one page, the save folder on
// the other. It edits the program-wide network settings through validators;
// its caller makes GetSavePath() the working directory after OK.
class SetupDialog : public wxDialog
{
public:
    explicit SetupDialog(wxWindow* parent);
    ~SetupDialog() override;

    wxString GetSavePath() const;

    // Also carries the connection type from the choice's int to the setting.
    bool TransferDataFromWindow() override;

private:
    wxWindow* CreateNetworkPage(wxWindow* parent);
    wxWindow* CreateDirectoryPage(wxWindow* parent);
    void OnCheckNetworkSettings(wxCommandEvent& event);
    void OnChangeDirectory(wxCommandEvent& event);
    void OnConnectionTypeChanged(wxCommandEvent& event);
    void OnTextEnter(wxCommandEvent& event);
    void EnableProxyFields(bool enable);
    bool WriteProxyTestFile(wxInputStream& body);

    wxTextCtrl* proxyServerText = nullptr;
    wxTextCtrl* proxyUserText = nullptr;
    wxTextCtrl* proxyPassText = nullptr;
    wxTextCtrl* proxyPortText = nullptr;
    wxChoice* connectionChoice = nullptr;
    wxStaticText* pathLabel = nullptr;
    wxString savePath;
    int connectionType = 0;  // the validator's int, copied to and from the settings

    wxDECLARE_EVENT_TABLE();
};
