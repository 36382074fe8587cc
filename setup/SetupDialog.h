#pragma once

#include "net/NetworkSettings.h"
#include "net/ServiceSettings.h"

#include <wx/dialog.h>
#include <wx/string.h>

#include <optional>

class wxChoice;
class wxStaticText;
class wxTextCtrl;
class wxCommandEvent;

// The modal "Setup" dialog: network settings on one page, the save folder on
// another, the services documents come from on a third. It edits the
// program-wide network settings through validators; its caller makes
// GetSavePath() the working directory after OK. The services' settings are
// read from the settings store and written back to it on OK, since every job
// reads them from there when it starts.
class SetupDialog : public wxDialog
{
public:
    explicit SetupDialog(wxWindow* parent);
    ~SetupDialog() override;

    wxString GetSavePath() const;

    // Also carries the connection type from the choice's int to the setting
    // and writes the services' settings to the store.
    bool TransferDataFromWindow() override;

private:
    wxWindow* CreateNetworkPage(wxWindow* parent);
    wxWindow* CreateDirectoryPage(wxWindow* parent);
    wxWindow* CreateServicesPage(wxWindow* parent);
    void OnCheckNetworkSettings(wxCommandEvent& event);
    void OnChangeDirectory(wxCommandEvent& event);
    void OnConnectionTypeChanged(wxCommandEvent& event);
    void OnBrowseCaFile(wxCommandEvent& event);
    void OnTestServices(wxCommandEvent& event);
    void OnTextEnter(wxCommandEvent& event);
    void EnableProxyFields(bool enable);
    void ShowSavePath();
    // Runs the network check off the GUI thread with the settings as the
    // pages show them; the result page, or nullopt when it was cancelled.
    std::optional<wxString> RunCheck(bool withOps);
    bool WriteProxyTestFile(const wxString& page);
    NetworkSettings TypedNetworkSettings() const;
    // The stored service settings with the routes, CA file, key and secret as
    // the page shows them now.
    ServiceSettings TypedServices() const;

    wxTextCtrl* proxyServerText = nullptr;
    wxTextCtrl* proxyUserText = nullptr;
    wxTextCtrl* proxyPassText = nullptr;
    wxTextCtrl* proxyPortText = nullptr;
    wxChoice* connectionChoice = nullptr;
    wxStaticText* pathLabel = nullptr;
    wxString savePath;
    int connectionType = 0;  // the validator's int, copied to and from the settings

    wxTextCtrl* opsKeyText = nullptr;
    wxTextCtrl* opsSecretText = nullptr;
    wxTextCtrl* caFileText = nullptr;
    ServiceSettings services;  // as read when the dialog opened; the validators' values
    int usRoute = 0;           // the route choices' indices
    int otherRoute = 0;

    wxDECLARE_EVENT_TABLE();
};
