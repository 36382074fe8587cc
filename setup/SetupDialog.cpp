#include "setup/SetupDialog.h"

#include "net/FetchSettings.h"
#include "net/Hosts.h"
#include "net/NetworkSettings.h"
#include "net/SettingsStore.h"
#include "numbers/FormatHelp.h"
#include "setup/CheckProgressDialog.h"
#include "setup/CheckResult.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/hyperlink.h>
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

const int pageBorder = 10;
const int textWidth = 400;  // where explanations and long folder names wrap, in DIPs

const char* const usRoutesText =
    "Patent Public Search needs no key; EPO OPS needs the key below; the classic route, the original "
    "USPTO servers, is the only one that takes serial numbers.";

const char* const otherRoutesText =
    "WO documents and other offices' come from EPO OPS, with the key below. EP documents come from the "
    "EPO publication server, no key needed, or from EPO OPS while a key is set.";

const char* const keyText =
    "The EPO OPS key is free: register at the EPO developer portal, open \"My Apps\", add an app, and "
    "copy its Consumer Key and Consumer Secret into the fields below.";

// Labels right-aligned beside their fields, each field as wide as the page
// allows, every row centred on its field.
wxFlexGridSizer* CreateFieldGrid()
{
    auto* grid = new wxFlexGridSizer(3, 8, 8);
    grid->AddGrowableCol(1);
    return grid;
}

void AddField(wxFlexGridSizer* grid, const wxString& label, wxWindow* field, wxWindow* after = nullptr)
{
    wxWindow* parent = field->GetParent();
    grid->Add(new wxStaticText(parent, wxID_ANY, label), 0, wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL);
    grid->Add(field, 1, wxEXPAND);
    if (after)
        grid->Add(after, 0, wxALIGN_CENTER_VERTICAL);
    else
        grid->AddSpacer(0);
}

// Whether a key is set, beside its field, as typed.
void ShowKeyState(wxStaticText* state, const wxString& value)
{
    state->SetLabel(wxString(value).Trim().Trim(false).empty() ? "not set" : "set");
}

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
    auto* notebook = new wxNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, "notebook");
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

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(notebook, 1, wxEXPAND);
    SetSizerAndFit(sizer);
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
    services.other = RouteAt(otherRoutes, otherRoute);
    services.Save(*OpenSettingsStore());
    return true;
}

wxWindow* SetupDialog::CreateNetworkPage(wxWindow* parent)
{
    NetworkSettings& settings = TheNetworkSettings();
    wxPanel* page = CreatePage(parent);
    wxFlexGridSizer* grid = CreateFieldGrid();
    auto addText = [&](const wxString& label, long style, long filter, wxString* value) {
        auto* text = new wxTextCtrl(page, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                    wxTE_PROCESS_ENTER | style, wxTextValidator(filter, value), "text");
        AddField(grid, label, text);
        return text;
    };

    const wxString types[] = {"AUTO", "DIRECT", "HTTP PROXY"};
    connectionChoice = new wxChoice(page, ID_CONNECTION_TYPE, wxDefaultPosition, wxDefaultSize,
                                    WXSIZEOF(types), types, 0, wxGenericValidator(&connectionType),
                                    "choice");
    connectionChoice->SetSelection(connectionType);
    AddField(grid, "Connection Type", connectionChoice);
    proxyServerText = addText("Proxy Server", 0, wxFILTER_ASCII, &settings.proxyServer);
    proxyPortText = addText("Proxy Port", 0, wxFILTER_NUMERIC, &settings.proxyPort);
    proxyUserText = addText("Proxy User", 0, wxFILTER_ASCII, &settings.proxyUser);
    proxyPassText = addText("Proxy Password", wxTE_PASSWORD, wxFILTER_ASCII, &settings.proxyPass);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(grid, 0, wxEXPAND | wxALL, pageBorder);
    sizer->Add(new wxButton(page, ID_CHECK_NETWORK, "Check Network Settings"), 0, wxALL | wxALIGN_CENTER,
               pageBorder);
    sizer->AddStretchSpacer();
    sizer->Add(CreateOkCancelRow(page), 0, wxALIGN_CENTER);

    EnableProxyFields(connectionType == proxyConnectionType);
    page->SetSizer(sizer);
    return page;
}

wxWindow* SetupDialog::CreateDirectoryPage(wxWindow* parent)
{
    wxPanel* page = CreatePage(parent);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(page, wxID_ANY, "Save Patents to:"), 0, wxLEFT | wxRIGHT | wxTOP, pageBorder);

    savePath = wxGetCwd();
    pathLabel = new wxStaticText(page, wxID_ANY, wxString());
    ShowSavePath();
    sizer->Add(pathLabel, 0, wxEXPAND | wxALL, pageBorder);

    sizer->Add(new wxButton(page, ID_CHANGE_DIR, "Change"), 0, wxLEFT | wxRIGHT, pageBorder);
    sizer->AddStretchSpacer();
    sizer->Add(CreateOkCancelRow(page), 0, wxALIGN_CENTER);
    page->SetSizer(sizer);
    return page;
}

wxWindow* SetupDialog::CreateServicesPage(wxWindow* parent)
{
    services = ServiceSettings::Read(*OpenSettingsStore());
    usRoute = IndexOf(usRoutes, services.us);
    otherRoute = IndexOf(otherRoutes, services.other);

    wxPanel* page = CreatePage(parent);
    wxFlexGridSizer* grid = CreateFieldGrid();
    // A line or two under a field, saying what it is for.
    auto addExplanation = [&](const wxString& text, wxWindow* beneath = nullptr) {
        auto* lines = new wxBoxSizer(wxVERTICAL);
        auto* paragraph = new wxStaticText(page, wxID_ANY, text);
        paragraph->Wrap(page->FromDIP(textWidth));
        lines->Add(paragraph);
        if (beneath)
            lines->Add(beneath, 0, wxTOP, 2);
        grid->AddSpacer(0);
        grid->Add(lines, 0, wxBOTTOM, pageBorder);
        grid->AddSpacer(0);
    };
    auto addChoice = [&](const wxString& label, const std::vector<RouteItem>& items, int* index, const char* name) {
        AddField(grid, label, new wxChoice(page, wxID_ANY, wxDefaultPosition, wxDefaultSize, LabelsOf(items), 0,
                                           wxGenericValidator(index), name));
    };
    auto addKeyField = [&](const wxString& label, long style, wxString* value, bool fromEnvironment,
                           const char* variable, const char* name) {
        auto* field = new wxTextCtrl(page, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                                     wxTE_PROCESS_ENTER | style, wxTextValidator(wxFILTER_ASCII, value), name);
        auto* state = new wxStaticText(page, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, 0,
                                       wxString(name) + "State");
        AddField(grid, label, field, state);
        // A value the environment sets is shown, but neither edited nor saved.
        if (fromEnvironment) {
            field->Disable();
            state->SetLabel(wxString("set by ") + variable);
            return field;
        }
        field->Bind(wxEVT_TEXT, [field, state](wxCommandEvent& event) {
            event.Skip();
            ShowKeyState(state, field->GetValue());
        });
        ShowKeyState(state, *value);
        return field;
    };

    addChoice("US documents", usRoutes, &usRoute, "usRoute");
    addExplanation(usRoutesText);
    addChoice("Other offices", otherRoutes, &otherRoute, "otherRoute");
    addExplanation(otherRoutesText);
    addExplanation(keyText, new wxHyperlinkCtrl(page, wxID_ANY, "Get a free OPS key", opsPortalAddress,
                                                wxDefaultPosition, wxDefaultSize, wxHL_DEFAULT_STYLE, "getKey"));
    opsKeyText = addKeyField("OPS Consumer Key", 0, &services.opsKey, services.opsKeyFromEnvironment,
                             ServiceSettings::opsKeyVariable, "opsKey");
    opsSecretText = addKeyField("OPS Consumer Secret", wxTE_PASSWORD, &services.opsSecret,
                                services.opsSecretFromEnvironment, ServiceSettings::opsSecretVariable, "opsSecret");
    caFileText = new wxTextCtrl(page, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER,
                                wxTextValidator(wxFILTER_NONE, &services.caFile), "caFile");
    AddField(grid, "CA File", caFileText, new wxButton(page, ID_BROWSE_CA_FILE, "Browse"));

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(grid, 0, wxEXPAND | wxALL, pageBorder);
    sizer->Add(new wxButton(page, ID_TEST_OPS, "Test"), 0, wxLEFT | wxRIGHT | wxALIGN_CENTER, pageBorder);
    sizer->AddStretchSpacer();
    sizer->Add(CreateOkCancelRow(page), 0, wxALIGN_CENTER);
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
    ShowSavePath();
    Layout();
}

void SetupDialog::ShowSavePath()
{
    pathLabel->SetLabelText(savePath);  // a folder's "&" is no mnemonic
    pathLabel->Wrap(pathLabel->FromDIP(textWidth));
}
