#include "setup/SetupDialog.h"

#include "net/FetchSettings.h"
#include "net/Hosts.h"
#include "net/NetworkSettings.h"
#include "net/SettingsStore.h"
#include "setup/CheckProgressDialog.h"
#include "setup/CheckResult.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>
#include <wx/valgen.h>
#include <wx/valtext.h>
#include <wx/wfstream.h>

#include <optional>
#include <vector>

namespace {

enum
{
    ID_CHECK_NETWORK = 1,
    ID_CONNECTION_TYPE = 2,
    ID_TEST_OPS = 3,
    ID_BROWSE_CA_FILE = 4
};
const wxWindowID ID_CHANGE_DIR = wxNewId();

using Route = ServiceSettings::Route;

struct RouteItem
{
    Route route;
    const char* label;
};
const std::vector<RouteItem> usRoutes = {{Route::ppubs, "USPTO Patent Public Search"},
                                         {Route::ops, "EPO OPS"},
                                         {Route::classic, "Classic (original services)"}};
const std::vector<RouteItem> epRoutes = {{Route::automatic, "Automatic"},
                                         {Route::eps, "EPO publication server"},
                                         {Route::ops, "EPO OPS"}};
const std::vector<RouteItem> otherRoutes = {{Route::ops, "EPO OPS"},
                                            {Route::classic, "Classic (original services)"}};

int IndexOf(const std::vector<RouteItem>& items, Route route)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].route == route)
            return static_cast<int>(i);
    return 0;
}

Route RouteAt(const std::vector<RouteItem>& items, int index)
{
    return index >= 0 && static_cast<size_t>(index) < items.size() ? items[index].route : items[0].route;
}

wxArrayString LabelsOf(const std::vector<RouteItem>& items)
{
    wxArrayString labels;
    for (const RouteItem& item : items)
        labels.Add(item.label);
    return labels;
}

const int proxyConnectionType = 2;
const char* const proxyTestFile = "proxyTest.html";

wxSizer* CreateOkCancelRow(wxWindow* parent)
{
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxButton(parent, wxID_OK, "OK"), 0, wxALL | wxALIGN_CENTER, 10);
    row->Add(new wxButton(parent, wxID_CANCEL, "Cancel"), 0, wxALL | wxALIGN_CENTER, 10);
    return row;
}

wxPanel* CreatePage(wxWindow* parent)
{
    return new wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                       wxTAB_TRAVERSAL | wxNO_BORDER, "panel");
}

}  // namespace

wxBEGIN_EVENT_TABLE(SetupDialog, wxDialog)
    EVT_TEXT_ENTER(wxID_ANY, SetupDialog::OnTextEnter)
    EVT_BUTTON(ID_CHECK_NETWORK, SetupDialog::OnCheckNetworkSettings)
    EVT_BUTTON(ID_CHANGE_DIR, SetupDialog::OnChangeDirectory)
    EVT_CHOICE(ID_CONNECTION_TYPE, SetupDialog::OnConnectionTypeChanged)
    EVT_BUTTON(ID_TEST_OPS, SetupDialog::OnTestServices)
    EVT_BUTTON(ID_BROWSE_CA_FILE, SetupDialog::OnBrowseCaFile)
wxEND_EVENT_TABLE()

SetupDialog::SetupDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, "Setup", wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE,
               "dialog"),
      connectionType(static_cast<int>(TheNetworkSettings().connectionType))
{
    auto* notebook = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxSize(600, 300), 0, "notebook");
    wxWindow* networkPage = CreateNetworkPage(notebook);
    wxWindow* directoryPage = CreateDirectoryPage(notebook);
    wxWindow* servicesPage = CreateServicesPage(notebook);

    // The validators sit on the notebook's pages, two levels down.
    SetExtraStyle(wxWS_EX_VALIDATE_RECURSIVELY);
    notebook->SetExtraStyle(wxWS_EX_VALIDATE_RECURSIVELY);

    if (!notebook->AddPage(networkPage, "Network", true))
        wxLogError("Error adding network page");
    if (!notebook->AddPage(directoryPage, "Directory Locations", false))
        wxLogError("Error adding directory locations page");
    if (!notebook->AddPage(servicesPage, "Services", false))
        wxLogError("Error adding services page");

    notebook->Fit();
    Fit();
}

SetupDialog::~SetupDialog() = default;

wxString SetupDialog::GetSavePath() const
{
    return savePath;
}

bool SetupDialog::TransferDataFromWindow()
{
    if (!wxDialog::TransferDataFromWindow())
        return false;
    TheNetworkSettings().connectionType = connectionType;
    services.us = RouteAt(usRoutes, usRoute);
    services.ep = RouteAt(epRoutes, epRoute);
    services.other = RouteAt(otherRoutes, otherRoute);
    services.Save(*OpenSettingsStore());
    return true;
}

wxWindow* SetupDialog::CreateNetworkPage(wxWindow* parent)
{
    NetworkSettings& settings = TheNetworkSettings();
    wxPanel* page = CreatePage(parent);
    auto* sizer = new wxBoxSizer(wxVERTICAL);

    auto* grid = new wxGridSizer(2, 0, 0);
    auto addLabel = [&](const wxString& text) {
        grid->Add(new wxStaticText(page, wxID_ANY, text), 0, wxALIGN_RIGHT | wxLEFT, 5);
    };
    auto addText = [&](long style, long filter, wxString* value) {
        auto* text = new wxTextCtrl(page, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                    wxTE_PROCESS_ENTER | style, wxTextValidator(filter, value), "text");
        grid->Add(text, 0, wxALIGN_RIGHT | wxLEFT, 2);
        return text;
    };

    const wxString types[] = {"AUTO", "DIRECT", "HTTP PROXY"};
    addLabel("Connection Type");
    connectionChoice = new wxChoice(page, ID_CONNECTION_TYPE, wxDefaultPosition, wxDefaultSize,
                                    WXSIZEOF(types), types, 0, wxGenericValidator(&connectionType),
                                    "choice");
    connectionChoice->SetSelection(connectionType);
    grid->Add(connectionChoice, 0, wxLEFT, 2);
    addLabel("Proxy Server");
    proxyServerText = addText(0, wxFILTER_ASCII, &settings.proxyServer);
    addLabel("Proxy Port");
    proxyPortText = addText(0, wxFILTER_NUMERIC, &settings.proxyPort);
    addLabel("Proxy User");
    proxyUserText = addText(0, wxFILTER_ASCII, &settings.proxyUser);
    addLabel("Proxy Password");
    proxyPassText = addText(wxTE_PASSWORD, wxFILTER_ASCII, &settings.proxyPass);

    sizer->Add(grid, 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
    sizer->Add(new wxButton(page, ID_CHECK_NETWORK, "Check Network Settings"), 0,
               wxALL | wxALIGN_CENTER, 10);
    sizer->Add(CreateOkCancelRow(page), 0, wxALIGN_CENTER, 0);

    EnableProxyFields(connectionType == proxyConnectionType);

    page->SetSizer(sizer);
    sizer->SetSizeHints(page);
    sizer->SetSizeHints(this);
    sizer->Fit(page);
    return page;
}

wxWindow* SetupDialog::CreateDirectoryPage(wxWindow* parent)
{
    wxPanel* page = CreatePage(parent);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(page, wxID_ANY, "Save Patents to:"), 0, wxALIGN_CENTER, 10);

    savePath = wxGetCwd();
    pathLabel = new wxStaticText(page, wxID_ANY, wxString());
    pathLabel->SetLabelText(savePath);  // a folder's "&" is no mnemonic
    pathLabel->Wrap(GetSize().GetWidth() - 20);
    sizer->Add(pathLabel, 1, wxEXPAND, 10);  // wx 3.2 refuses centring on an expanded item

    sizer->Add(new wxButton(page, ID_CHANGE_DIR, "Change"), 0, wxALIGN_CENTER | wxTOP, 10);
    sizer->Add(CreateOkCancelRow(page), 0, wxALIGN_CENTER, 0);
    page->SetSizer(sizer);
    return page;
}

wxWindow* SetupDialog::CreateServicesPage(wxWindow* parent)
{
    services = ServiceSettings::Read(*OpenSettingsStore());
    usRoute = IndexOf(usRoutes, services.us);
    epRoute = IndexOf(epRoutes, services.ep);
    otherRoute = IndexOf(otherRoutes, services.other);

    wxPanel* page = CreatePage(parent);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, 5, 5);
    grid->AddGrowableCol(1);
    auto addLabel = [&](const wxString& text) {
        grid->Add(new wxStaticText(page, wxID_ANY, text), 0, wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL | wxLEFT, 5);
    };
    auto addChoice = [&](const std::vector<RouteItem>& items, int* index, const char* name) {
        grid->Add(new wxChoice(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, LabelsOf(items), 0,
                               wxGenericValidator(index), name),
                  0, wxEXPAND);
    };
    auto addText = [&](long style, long filter, wxString* value, const char* name) {
        return new wxTextCtrl(page, wxID_ANY, wxString(), wxDefaultPosition, wxSize(300, -1),
                              wxTE_PROCESS_ENTER | style, wxTextValidator(filter, value), name);
    };
    // A value the environment sets is shown, but neither edited nor saved.
    auto addField = [&](wxTextCtrl* field, bool fromEnvironment, const char* variable) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        row->Add(field, 1, wxALIGN_CENTER_VERTICAL);
        if (fromEnvironment) {
            field->Disable();
            row->Add(new wxStaticText(page, wxID_ANY, wxString("set by ") + variable), 0,
                     wxALIGN_CENTER_VERTICAL | wxLEFT, 5);
        }
        grid->Add(row, 0, wxEXPAND);
    };

    addLabel("US documents");
    addChoice(usRoutes, &usRoute, "usRoute");
    addLabel("EP documents");
    addChoice(epRoutes, &epRoute, "epRoute");
    addLabel("Other offices");
    addChoice(otherRoutes, &otherRoute, "otherRoute");
    addLabel("OPS Consumer Key");
    opsKeyText = addText(0, wxFILTER_ASCII, &services.opsKey, "opsKey");
    addField(opsKeyText, services.opsKeyFromEnvironment, ServiceSettings::opsKeyVariable);
    addLabel("OPS Consumer Secret");
    opsSecretText = addText(wxTE_PASSWORD, wxFILTER_ASCII, &services.opsSecret, "opsSecret");
    addField(opsSecretText, services.opsSecretFromEnvironment, ServiceSettings::opsSecretVariable);
    addLabel("CA File");
    caFileText = addText(0, wxFILTER_NONE, &services.caFile, "caFile");
    auto* caRow = new wxBoxSizer(wxHORIZONTAL);
    caRow->Add(caFileText, 1, wxALIGN_CENTER_VERTICAL);
    caRow->Add(new wxButton(page, ID_BROWSE_CA_FILE, "Browse"), 0, wxLEFT, 5);
    grid->Add(caRow, 0, wxEXPAND);

    sizer->Add(grid, 0, wxEXPAND | wxALL, 10);
    sizer->Add(new wxButton(page, ID_TEST_OPS, "Test"), 0, wxALL | wxALIGN_CENTER, 10);
    sizer->Add(CreateOkCancelRow(page), 0, wxALIGN_CENTER, 0);
    page->SetSizer(sizer);
    return page;
}

void SetupDialog::EnableProxyFields(bool enable)
{
    for (wxTextCtrl* field : {proxyServerText, proxyPortText, proxyUserText, proxyPassText})
        field->Enable(enable);
}

void SetupDialog::OnConnectionTypeChanged(wxCommandEvent&)
{
    EnableProxyFields(connectionChoice->GetSelection() == proxyConnectionType);
}

void SetupDialog::OnTextEnter(wxCommandEvent&)
{
    AcceptAndClose();
}

void SetupDialog::OnCheckNetworkSettings(wxCommandEvent&)
{
    const std::optional<wxString> page = RunCheck(false);
    if (!page)
        return;
    if (!WriteProxyTestFile(*page)) {
        wxLogError("Error writing proxyTest.html");
        return;
    }
    ShowCheckResult(this, "Proxy Test Result", *page);
}

void SetupDialog::OnTestServices(wxCommandEvent&)
{
    // The key on this page is tested whichever route uses it.
    if (const std::optional<wxString> page = RunCheck(true))
        ShowCheckResult(this, "Services Test", *page);
}

std::optional<wxString> SetupDialog::RunCheck(bool withOps)
{
    // The values typed on the pages, accepted or not: that is what is being tested.
    FetchSettings typed;
    typed.network = TypedNetworkSettings();
    typed.services = TypedServices();
    typed.hosts = Hosts::Load();
    CheckProgressDialog progress(this, typed, withOps);
    if (progress.ShowModal() != wxID_OK || !progress.Finished())
        return std::nullopt;
    return CheckResultPage(progress.Lines(), progress.ProxyTestPage());
}

bool SetupDialog::WriteProxyTestFile(const wxString& page)
{
    wxLogNull quiet;  // the caller reports the failure in its own words
    wxFileOutputStream out(proxyTestFile);
    if (!out.IsOk())
        return false;
    const wxScopedCharBuffer bytes = page.utf8_str();
    out.Write(bytes.data(), bytes.length());
    return out.Close() && out.GetLastError() != wxSTREAM_WRITE_ERROR;
}

NetworkSettings SetupDialog::TypedNetworkSettings() const
{
    NetworkSettings typed;
    typed.connectionType = connectionChoice->GetSelection();
    typed.proxyServer = proxyServerText->GetValue();
    typed.proxyPort = proxyPortText->GetValue();
    typed.proxyUser = proxyUserText->GetValue();
    typed.proxyPass = proxyPassText->GetValue();
    typed.trace = TheNetworkSettings().trace;
    return typed;
}

ServiceSettings SetupDialog::TypedServices() const
{
    ServiceSettings typed = services;
    if (auto* us = wxDynamicCast(FindWindow("usRoute"), wxChoice))
        typed.us = RouteAt(usRoutes, us->GetSelection());
    if (auto* ep = wxDynamicCast(FindWindow("epRoute"), wxChoice))
        typed.ep = RouteAt(epRoutes, ep->GetSelection());
    if (auto* other = wxDynamicCast(FindWindow("otherRoute"), wxChoice))
        typed.other = RouteAt(otherRoutes, other->GetSelection());
    typed.caFile = wxString(caFileText->GetValue()).Trim().Trim(false);
    typed.opsKey = wxString(opsKeyText->GetValue()).Trim().Trim(false);
    typed.opsSecret = opsSecretText->GetValue();
    return typed;
}

void SetupDialog::OnBrowseCaFile(wxCommandEvent&)
{
    const wxFileName current(caFileText->GetValue());
    wxFileDialog chooser(this, "Choose a file of certificate authorities", current.GetPath(),
                         current.GetFullName(), "PEM files (*.pem;*.crt)|*.pem;*.crt|All files|*",
                         wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (chooser.ShowModal() == wxID_OK && !chooser.GetPath().empty())
        caFileText->ChangeValue(chooser.GetPath());
}

void SetupDialog::OnChangeDirectory(wxCommandEvent&)
{
    // Always starts in the working directory, also after an earlier choice.
    wxDirDialog chooser(this, "Chose a directory to save PDF into", wxGetCwd(), 0, wxDefaultPosition,
                        wxDefaultSize, "wxDirCtrl");
    if (chooser.ShowModal() != wxID_OK || chooser.GetPath().empty())
        return;
    savePath = chooser.GetPath();
    pathLabel->SetLabelText(savePath);
    pathLabel->Wrap(GetSize().GetWidth() - 20);
}
