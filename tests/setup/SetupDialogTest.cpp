#include "ClosedPort.h"
#include "GuiChooser.h"
#include "GuiTest.h"
#include "SimTest.h"
#include "RecordingLog.h"
#include "TempHome.h"
#include "net/NetworkSettings.h"
#include "net/ServiceSettings.h"
#include "net/SettingsStore.h"
#include "setup/CheckProgressDialog.h"
#include "setup/SetupDialog.h"
#include "app/MyFrame.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/hyperlink.h>
#include <wx/html/htmlwin.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/stattext.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

#include <nlohmann/json.hpp>

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <memory>

namespace {

// The four proxy fields in the order they appear: server, port, user, password.
struct Fields
{
    wxChoice* type;
    wxTextCtrl* server;
    wxTextCtrl* port;
    wxTextCtrl* user;
    wxTextCtrl* password;
};

void CollectTextFields(wxWindow* window, std::vector<wxTextCtrl*>& out)
{
    for (wxWindow* child : window->GetChildren()) {
        if (auto* text = dynamic_cast<wxTextCtrl*>(child))
            out.push_back(text);
        CollectTextFields(child, out);
    }
}

Fields FindFields(wxWindow* dialog)
{
    std::vector<wxTextCtrl*> texts;
    auto* notebook = dynamic_cast<wxNotebook*>(wxWindow::FindWindowByName("notebook", dialog));
    if (notebook && notebook->GetPageCount() > 0)
        CollectTextFields(notebook->GetPage(0), texts);
    EXPECT_EQ(texts.size(), 4u);
    auto* type = dynamic_cast<wxChoice*>(wxWindow::FindWindowByName("choice", dialog));
    EXPECT_NE(type, nullptr);
    return {type, texts.at(0), texts.at(1), texts.at(2), texts.at(3)};
}

void Click(wxWindow* dialog, int id)
{
    wxWindow* button = dialog->FindWindow(id);
    ASSERT_NE(button, nullptr) << id;
    wxCommandEvent event(wxEVT_BUTTON, id);
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

void Choose(wxChoice* choice, int index)
{
    choice->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(index);
    choice->ProcessWindowEvent(event);
}

void PressEnter(wxTextCtrl* field)
{
    wxCommandEvent event(wxEVT_TEXT_ENTER, field->GetId());
    event.SetEventObject(field);
    event.SetString(field->GetValue());
    field->ProcessWindowEvent(event);
}

// Lets the network check run to its end while the window's events are
// handled, as the progress window's own loop would, then closes it.
class LetCheckFinish : public wxExpectModalBase<CheckProgressDialog, LetCheckFinish>
{
protected:
    int OnInvoked(CheckProgressDialog* progress) const override
    {
        EXPECT_TRUE(PumpUntil([progress] { return progress->Finished(); }, 60000));
        return wxID_OK;
    }
};

// Checks a check's result window and closes it with OK.
class ExpectProxyTestResult : public wxExpectModalBase<wxDialog, ExpectProxyTestResult>
{
public:
    explicit ExpectProxyTestResult(wxString* pageText, const char* title = "Proxy Test Result")
        : pageText(pageText), title(title)
    {
    }

protected:
    int OnInvoked(wxDialog* dialog) const override
    {
        EXPECT_EQ(dialog->GetTitle(), title);
        auto* html = dynamic_cast<wxHtmlWindow*>(wxWindow::FindWindowByName("htmlWindow", dialog));
        EXPECT_NE(html, nullptr);
        if (html)
            *pageText = html->ToText();
        return wxID_OK;
    }

private:
    wxString* pageText;
    const char* title;
};

// A modal window that must not appear; optional, so its absence passes.
class MustNotShow : public wxExpectModalBase<wxDialog, MustNotShow>
{
public:
    explicit MustNotShow(int* shown) : shown(shown) {}

protected:
    int OnInvoked(wxDialog*) const override
    {
        ++*shown;
        return wxID_OK;
    }

private:
    int* shown;
};

class SetupDialogTest : public SimTest
{
protected:
    void SetUp() override
    {
        SimTest::SetUp();
        saved = TheNetworkSettings();
        TheNetworkSettings() = NetworkSettings();
    }

    void TearDown() override
    {
        if (dialog)
            dialog->Destroy();
        TheNetworkSettings() = saved;
    }

    void Open(long connectionType)
    {
        TheNetworkSettings().connectionType = connectionType;
        dialog = new SetupDialog(nullptr);
        dialog->Show();  // transfers the settings into the controls, as ShowModal does
        fields = FindFields(dialog);
    }

    void SetStored(const wxString& server, const wxString& port, const wxString& user,
                   const wxString& password)
    {
        NetworkSettings& settings = TheNetworkSettings();
        settings.proxyServer = server;
        settings.proxyPort = port;
        settings.proxyUser = user;
        settings.proxyPass = password;
    }

    // Types one of the simulator's listeners, which also proxies, as the HTTP proxy.
    void TypeSimulatorProxy(const std::string& service)
    {
        Choose(fields.type, 2);
        fields.server->ChangeValue("127.0.0.1");
        fields.port->ChangeValue(std::to_string(sim->Port(service)));
    }

    bool ProxyFieldsEnabled(bool enabled) const
    {
        return fields.server->IsEnabled() == enabled && fields.port->IsEnabled() == enabled &&
               fields.user->IsEnabled() == enabled && fields.password->IsEnabled() == enabled;
    }

    RecordingLog log;
    NetworkSettings saved;
    SetupDialog* dialog = nullptr;
    Fields fields{};
};


TEST_F(SetupDialogTest, OpensOnTheNetworkPageWithTheStoredValues)
{
    SetStored("proxy.example", "3128", "ann", "secret");
    Open(2);
    auto* notebook = dynamic_cast<wxNotebook*>(wxWindow::FindWindowByName("notebook", dialog));
    ASSERT_NE(notebook, nullptr);
    ASSERT_EQ(notebook->GetPageCount(), 3u);
    EXPECT_EQ(notebook->GetSelection(), 0);
    EXPECT_EQ(notebook->GetPageText(0), "Network");
    EXPECT_EQ(notebook->GetPageText(1), "Directory Locations");
    EXPECT_EQ(notebook->GetPageText(2), "Services");
    EXPECT_EQ(dialog->GetTitle(), "Setup");
    EXPECT_EQ(fields.type->GetSelection(), 2);
    EXPECT_EQ(fields.server->GetValue(), "proxy.example");
    EXPECT_EQ(fields.port->GetValue(), "3128");
    EXPECT_EQ(fields.user->GetValue(), "ann");
    EXPECT_EQ(fields.password->GetValue(), "secret");
    EXPECT_TRUE(fields.password->HasFlag(wxTE_PASSWORD));
    EXPECT_EQ(dialog->GetSavePath(), wxGetCwd());
}

TEST_F(SetupDialogTest, ProxyFieldsAreEnabledOnlyForHttpProxy)
{
    for (long type : {0L, 1L, 2L}) {
        SCOPED_TRACE(type);
        Open(type);
        EXPECT_TRUE(ProxyFieldsEnabled(type == 2));
        Choose(fields.type, 2);
        EXPECT_TRUE(ProxyFieldsEnabled(true));
        Choose(fields.type, 1);
        EXPECT_TRUE(ProxyFieldsEnabled(false));
        Choose(fields.type, 0);
        EXPECT_TRUE(ProxyFieldsEnabled(false));
        EXPECT_EQ(TheNetworkSettings().connectionType, type) << "changes only on OK";
        dialog->Destroy();
        dialog = nullptr;
    }
}

TEST_F(SetupDialogTest, OkValidatesThePortAndTransfersEveryField)
{
    struct Case
    {
        const char* port;
        bool accepted;
    };
    const Case cases[] = {{"8080", true}, {"", true}, {"80a", false}, {"http", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        SetStored("old.example", "80", "", "");
        Open(0);
        Choose(fields.type, 2);
        fields.server->ChangeValue("proxy.example");
        fields.port->ChangeValue(c.port);  // as pasted: no keystroke filtering
        fields.user->ChangeValue("bob");
        fields.password->ChangeValue("pw");
        int boxes = 0;
        wxTEST_DIALOG(Click(dialog, wxID_OK), MustNotShow(&boxes).Optional());
        EXPECT_EQ(boxes, c.accepted ? 0 : 1) << "the validator's message";
        EXPECT_EQ(dialog->IsShown(), !c.accepted);
        const NetworkSettings& now = TheNetworkSettings();
        if (c.accepted) {
            EXPECT_EQ(now.connectionType, 2);
            EXPECT_EQ(now.proxyServer, "proxy.example");
            EXPECT_EQ(now.proxyPort, c.port);
            EXPECT_EQ(now.proxyUser, "bob");
            EXPECT_EQ(now.proxyPass, "pw");
        } else {
            EXPECT_EQ(now.connectionType, 0);
            EXPECT_EQ(now.proxyServer, "old.example");
            EXPECT_EQ(now.proxyPort, "80");
        }
        dialog->Destroy();
        dialog = nullptr;
    }
}

TEST_F(SetupDialogTest, DisabledFieldsAreNotValidatedButStillTransferred)
{
    Open(0);
    fields.server->ChangeValue(wxString::FromUTF8("pröxy"));
    fields.port->ChangeValue("not a number");
    int boxes = 0;
    wxTEST_DIALOG(Click(dialog, wxID_OK), MustNotShow(&boxes).Optional());
    EXPECT_EQ(boxes, 0);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(TheNetworkSettings().proxyServer, wxString::FromUTF8("pröxy"));
    EXPECT_EQ(TheNetworkSettings().proxyPort, "not a number");
}

TEST_F(SetupDialogTest, EnterInAnyProxyFieldAcceptsLikeOk)
{
    for (int which = 0; which < 4; ++which) {
        SCOPED_TRACE(which);
        SetStored("", "80", "", "");
        Open(2);
        wxTextCtrl* all[] = {fields.server, fields.port, fields.user, fields.password};
        fields.server->ChangeValue("typed.example");
        PressEnter(all[which]);
        EXPECT_FALSE(dialog->IsShown());
        EXPECT_EQ(TheNetworkSettings().proxyServer, "typed.example");
        dialog->Destroy();
        dialog = nullptr;
    }
}

TEST_F(SetupDialogTest, ProxyTestShowsTheMakersPageAndSavesIt)
{
    Open(0);
    wxString shown;
    wxTEST_DIALOG(Click(dialog, 1), LetCheckFinish(), ExpectProxyTestResult(&shown));
    const std::string saved = ReadFile(home.Path() + "/proxyTest.html");
    EXPECT_NE(saved.find("office-sim proxy test page"), std::string::npos) << saved;
    EXPECT_NE(sim->Log().find("/proxyTest.htm"), std::string::npos);
    EXPECT_NE(shown.find("OK Update server (" + sim->Host("maker") + "): reachable; its proxy test page came"),
              wxString::npos) << shown;
    EXPECT_NE(shown.find("office-sim proxy test page"), wxString::npos) << shown;
    EXPECT_TRUE(log.Errors().empty());
}

TEST_F(SetupDialogTest, ProxyTestGoesThroughTheTypedProxyEvenWhenCancelled)
{
    SetStored("", "80", "", "");
    Open(0);
    TypeSimulatorProxy("ops");
    wxString shown;
    wxTEST_DIALOG(Click(dialog, 1), LetCheckFinish(), ExpectProxyTestResult(&shown));
    const std::string requests = sim->Log();
    EXPECT_NE(requests.find("/proxyTest.htm"), std::string::npos);
    EXPECT_NE(requests.find("\"proxied\": true"), std::string::npos) << requests;

    Click(dialog, wxID_CANCEL);
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(TheNetworkSettings().connectionType, 0);
    EXPECT_EQ(TheNetworkSettings().proxyServer, "");
    EXPECT_EQ(TheNetworkSettings().proxyPort, "80");
}

// Each through the typed proxy: the classic hosts over plain HTTP, today's
// services over HTTPS through a tunnel.
TEST_F(SetupDialogTest, ProxyTestWithoutAnUpdateServerAsksTheChosenRoutesServices)
{
    const struct
    {
        OfficeSim::Routes routes;
        std::vector<std::string> services;  // as the simulator logs them
        std::vector<std::string> shown;     // where, in the page
        std::vector<const char*> names;
    } cases[] = {
        {OfficeSim::Routes::classic,
         {"patentImages1", "patentImages2", "applicationImages1", "applicationImages2", "applicationSearch",
          "ops"},
         {sim->Host("patentImages1"), sim->Host("patentImages2"), sim->Host("applicationImages1"),
          sim->Host("applicationImages2"), sim->Host("applicationSearch"), sim->Host("ops")},
         {"US patent images", "US application images", "US application search", "European Patent Office"}},
        {OfficeSim::Routes::defaults,
         {"ppubs", "ppubsImages", "ops32"},
         {sim->PpubsUrl(false, true), sim->PpubsUrl(true, true), sim->OpsUrl(true)},
         {"USPTO Patent Public Search", "USPTO Patent Public Search images", "EPO Open Patent Services"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.routes));
        sim->Reset();
        sim->WriteSettings(home.SettingsFile(), c.routes);
        OpenSettingsStore()->DeleteEntry("/hosts/maker");
        Open(0);
        TypeSimulatorProxy("maker");
        wxString shown;
        wxTEST_DIALOG(Click(dialog, 1), LetCheckFinish(), ExpectProxyTestResult(&shown));
        dialog->Destroy();
        dialog = nullptr;
        EXPECT_TRUE(log.Errors().empty());
        const std::string requests = sim->Log();
        EXPECT_EQ(requests.find("/proxyTest.htm"), std::string::npos);
        for (const std::string& service : c.services)
            EXPECT_NE(requests.find("\"service\": \"" + service + "\""), std::string::npos) << service;
        for (const std::string& where : c.shown)
            EXPECT_NE(shown.find(where), wxString::npos) << where;
        for (const char* name : c.names)
            EXPECT_NE(shown.find(name), wxString::npos) << name;
        EXPECT_EQ(shown.find("FAILED"), wxString::npos) << shown;
        // All through the typed proxy: HTTPS in a tunnel it was asked for, one per service.
        size_t tunnels = 0;
        for (size_t at = requests.find("\"CONNECT\""); at != std::string::npos; at = requests.find("\"CONNECT\"", at + 1))
            ++tunnels;
        if (c.routes == OfficeSim::Routes::classic)
            EXPECT_EQ(requests.find("\"proxied\": false"), std::string::npos);
        else
            EXPECT_EQ(tunnels, c.services.size());
        EXPECT_TRUE(FileExists(home.Path() + "/proxyTest.html"));
    }
}

// Without a proxy nothing is blamed on one: the line says what failed.
TEST_F(SetupDialogTest, ProxyTestReportsAServerThatIsDown)
{
    const wxString maker = wxString::Format("127.0.0.1:%d", ClosedLoopbackPort());
    OpenSettingsStore()->Write("/hosts/maker", maker);
    Open(0);
    wxString shown;
    wxTEST_DIALOG(Click(dialog, 1), LetCheckFinish(), ExpectProxyTestResult(&shown));
    EXPECT_TRUE(log.Errors().empty());
    EXPECT_NE(shown.find("FAILED Update server (" + maker + "): cannot connect: "), wxString::npos) << shown;
    EXPECT_EQ(shown.find("Proxy"), wxString::npos) << shown;
    EXPECT_NE(shown.find("OK US patent images"), wxString::npos) << "the other lines stay";
}

TEST_F(SetupDialogTest, ProxyTestShowsAnErrorPageLikeAnyOtherBody)
{
    sim->Faults(R"([{"service": "maker", "path": "/proxyTest.htm", "action": "status", "status": 404}])");
    Open(0);
    wxString shown;
    wxTEST_DIALOG(Click(dialog, 1), LetCheckFinish(), ExpectProxyTestResult(&shown));
    EXPECT_TRUE(log.Errors().empty());
    EXPECT_NE(shown.find("FAILED Update server (" + sim->Host("maker") +
                         "): reachable, but it answered 404 to /proxyTest.htm"),
              wxString::npos) << shown;
    EXPECT_TRUE(FileExists(home.Path() + "/proxyTest.html"));
}

// Cancels the check once `asked` holds, while the window's events are handled.
class CancelWhen : public wxExpectModalBase<CheckProgressDialog, CancelWhen>
{
public:
    explicit CancelWhen(std::function<bool()> asked) : asked(std::move(asked)) {}

protected:
    int OnInvoked(CheckProgressDialog* progress) const override
    {
        EXPECT_TRUE(PumpUntil(asked, 20000));
        EXPECT_FALSE(progress->Finished());
        return wxID_CANCEL;
    }

private:
    std::function<bool()> asked;
};

// The check runs off the GUI thread, so the window keeps handling events
// while a service hangs, and Cancel stops the hung request at once.
TEST_F(SetupDialogTest, CancelEndsACheckWhoseServiceHangs)
{
    sim->Faults(R"([{"service": "maker", "path": "/proxyTest.htm", "action": "hang"}])");
    Open(0);
    int shown = 0;
    const auto start = std::chrono::steady_clock::now();
    wxTEST_DIALOG(Click(dialog, 1),
                  CancelWhen([] { return sim->Log().find("/proxyTest.htm") != std::string::npos; }),
                  MustNotShow(&shown).Optional());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "a hung request lasts 60 s";
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(log.Errors().empty());
    EXPECT_FALSE(FileExists(home.Path() + "/proxyTest.html"));
    EXPECT_TRUE(dialog->IsShown());
}

TEST_F(SetupDialogTest, ProxyTestReportsAFileItCannotWrite)
{
    home.Dir("proxyTest.html");  // a folder in the way of the file
    Open(0);
    int shown = 0;
    wxTEST_DIALOG(Click(dialog, 1), LetCheckFinish(), MustNotShow(&shown).Optional());
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(log.Errors(), std::vector<wxString>{"Error writing proxyTest.html"});
}

// The "Services" page's controls, found by their names.
struct ServiceFields
{
    wxChoice* us = nullptr;
    wxChoice* other = nullptr;
    wxTextCtrl* key = nullptr;
    wxTextCtrl* secret = nullptr;
    wxTextCtrl* caFile = nullptr;

    bool Found() const { return us && other && key && secret && caFile; }
};

template <class Control>
Control* Named(wxWindow* dialog, const char* name)
{
    return dynamic_cast<Control*>(wxWindow::FindWindowByName(name, dialog));
}

ServiceFields FindServiceFields(wxWindow* dialog)
{
    return {Named<wxChoice>(dialog, "usRoute"), Named<wxChoice>(dialog, "otherRoute"),
            Named<wxTextCtrl>(dialog, "opsKey"), Named<wxTextCtrl>(dialog, "opsSecret"),
            Named<wxTextCtrl>(dialog, "caFile")};
}

// Sets an environment variable for one scope.
struct ScopedVariable
{
    ScopedVariable(const char* name, const char* value) : name(name) { wxSetEnv(name, value); }
    ~ScopedVariable() { wxUnsetEnv(name); }
    const char* name;
};

TEST_F(SetupDialogTest, ServicesPageShowsTheStoredServicesAndWritesThemOnlyOnOk)
{
    for (int button : {wxID_CANCEL, wxID_OK}) {
        SCOPED_TRACE(button);
        const std::string before = ReadFile(home.SettingsFile());
        Open(0);
        const ServiceFields services = FindServiceFields(dialog);
        ASSERT_TRUE(services.Found());
        EXPECT_EQ(services.us->GetCount(), 3u);
        EXPECT_EQ(services.us->GetString(0), "USPTO Patent Public Search");
        EXPECT_EQ(services.us->GetString(1), "EPO OPS");
        EXPECT_EQ(services.us->GetStringSelection(), "Classic (original services)");
        EXPECT_EQ(services.other->GetCount(), 2u);
        EXPECT_EQ(services.other->GetStringSelection(), "Classic (original services)");
        EXPECT_EQ(services.key->GetValue(), OfficeSim::opsKey);
        EXPECT_EQ(services.secret->GetValue(), OfficeSim::opsSecret);
        EXPECT_TRUE(services.secret->HasFlag(wxTE_PASSWORD));
        EXPECT_EQ(services.caFile->GetValue(), sim->CaFile());

        Choose(services.us, 1);
        Choose(services.other, 0);
        services.key->ChangeValue("new-key");
        services.secret->ChangeValue("new-secret");
        services.caFile->ChangeValue(home.Path() + "/extra.pem");
        Click(dialog, button);
        EXPECT_FALSE(dialog->IsShown());
        dialog->Destroy();
        dialog = nullptr;

        const std::string after = ReadFile(home.SettingsFile());
        if (button == wxID_CANCEL) {
            EXPECT_EQ(after, before);
            continue;
        }
        const ServiceSettings stored = ServiceSettings::Read(*OpenSettingsStore());
        EXPECT_EQ(stored.us, ServiceSettings::Route::ops);
        EXPECT_EQ(stored.other, ServiceSettings::Route::ops);
        EXPECT_EQ(stored.opsKey, "new-key");
        EXPECT_EQ(stored.opsSecret, "new-secret");
        EXPECT_EQ(stored.caFile, home.Path() + "/extra.pem");
        EXPECT_EQ(after.find("new-secret"), std::string::npos) << "stored scrambled";
    }
}

TEST_F(SetupDialogTest, KeyAndSecretFromTheEnvironmentAreShownButNeverWritten)
{
    {
        ScopedVariable key(ServiceSettings::opsKeyVariable, "env-key");
        ScopedVariable secret(ServiceSettings::opsSecretVariable, "env-secret");
        Open(0);
        const ServiceFields services = FindServiceFields(dialog);
        ASSERT_TRUE(services.Found());
        EXPECT_EQ(services.key->GetValue(), "env-key");
        EXPECT_EQ(services.secret->GetValue(), "env-secret");
        EXPECT_FALSE(services.key->IsEnabled());
        EXPECT_FALSE(services.secret->IsEnabled());
        EXPECT_NE(wxWindow::FindWindowByLabel("set by FOLIOHARVESTER_OPS_KEY", dialog), nullptr);
        EXPECT_NE(wxWindow::FindWindowByLabel("set by FOLIOHARVESTER_OPS_SECRET", dialog), nullptr);
        Choose(services.us, 1);
        Click(dialog, wxID_OK);
        EXPECT_FALSE(dialog->IsShown());
    }
    const ServiceSettings stored = ServiceSettings::Read(*OpenSettingsStore());
    EXPECT_EQ(stored.us, ServiceSettings::Route::ops) << "the rest is saved";
    EXPECT_EQ(stored.opsKey, OfficeSim::opsKey);
    EXPECT_EQ(stored.opsSecret, OfficeSim::opsSecret);
    EXPECT_EQ(ReadFile(home.SettingsFile()).find("env-key"), std::string::npos);
}

// The words of every text on `page`, its line breaks undone.
wxString PageText(wxWindow* page)
{
    wxString text;
    for (wxWindow* child : page->GetChildren())
        if (auto* label = dynamic_cast<wxStaticText*>(child))
            text << label->GetLabelText() << "\n";
    text.Replace("\n", " ");
    return text;
}

// A new user reads what each route is, where the free key comes from and
// whether one is set; the page's picture goes to the README.
TEST_F(SetupDialogTest, ServicesPageSaysWhereTheKeyComesFromAndWhetherOneIsSet)
{
    Open(0);
    auto* notebook = Named<wxNotebook>(dialog, "notebook");
    ASSERT_NE(notebook, nullptr);
    const wxString text = PageText(notebook->GetPage(2));
    for (const char* words : {"Patent Public Search needs no key", "EPO publication server", "\"My Apps\"",
                              "serial numbers", "Consumer Key and Consumer Secret"})
        EXPECT_TRUE(text.Contains(words)) << words << " in " << text;
    auto* link = Named<wxHyperlinkCtrl>(dialog, "getKey");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetLabel(), "Get a free OPS key");
    EXPECT_EQ(link->GetURL(), "https://developers.epo.org");

    const ServiceFields services = FindServiceFields(dialog);
    ASSERT_TRUE(services.Found());
    auto* keyState = Named<wxStaticText>(dialog, "opsKeyState");
    auto* secretState = Named<wxStaticText>(dialog, "opsSecretState");
    ASSERT_TRUE(keyState && secretState);
    EXPECT_EQ(keyState->GetLabel(), "set");
    EXPECT_EQ(secretState->GetLabel(), "set");
    services.secret->SetValue("");
    EXPECT_EQ(secretState->GetLabel(), "not set");
    services.secret->SetValue(OfficeSim::opsSecret);
    Choose(services.us, 0);  // the default routes, for the picture
    Choose(services.other, 0);
    notebook->SetSelection(2);
    SaveScreenshot(dialog, "setup-services");
}

// Each label stands level with its field, a little apart from it, and no
// control covers another or runs off its page, at the default font.
TEST_F(SetupDialogTest, PagesAreLaidOutWithoutOverlapsAndWithLabelsLevelWithTheirFields)
{
    Open(0);
    auto* notebook = Named<wxNotebook>(dialog, "notebook");
    ASSERT_NE(notebook, nullptr);
    for (size_t index = 0; index < notebook->GetPageCount(); ++index) {
        notebook->SetSelection(index);
        PumpFor(50);
        wxWindow* page = notebook->GetPage(index);
        SCOPED_TRACE(notebook->GetPageText(index));
        std::vector<wxWindow*> controls(page->GetChildren().begin(), page->GetChildren().end());
        for (wxWindow* control : controls) {
            const wxRect rect = control->GetRect();
            SCOPED_TRACE(control->GetClassInfo()->GetClassName() + wxString(" ") + control->GetLabel());
            EXPECT_TRUE(wxRect(page->GetClientSize()).Contains(rect)) << rect.x << "," << rect.y;
            for (wxWindow* other : controls)
                EXPECT_TRUE(other == control || !rect.Intersects(other->GetRect())) << other->GetLabel();
            if (!dynamic_cast<wxStaticText*>(control))
                continue;
            // Its field: the nearest control to its right on the same line.
            wxWindow* field = nullptr;
            for (wxWindow* other : controls) {
                const wxRect candidate = other->GetRect();
                if (candidate.x >= rect.GetRight() && candidate.y < rect.GetBottom() && candidate.GetBottom() > rect.y &&
                    (!field || candidate.x < field->GetRect().x))
                    field = other;
            }
            if (!field || dynamic_cast<wxStaticText*>(field))
                continue;
            const wxRect fieldRect = field->GetRect();
            EXPECT_LE(std::abs((rect.y + rect.height / 2) - (fieldRect.y + fieldRect.height / 2)), 1);
            EXPECT_GE(fieldRect.x - rect.GetRight(), 5) << "room between label and field";
        }
    }
}

// The page's key is tested even while no route uses OPS, in the same lines
// as the network check.
TEST_F(SetupDialogTest, TestButtonShowsTheServicesLoadOrTheErrorInPlainWords)
{
    const std::string load = R"json({"throttling": "busy (images=yellow:100, other=green:1000)"})json";
    const std::string ops = "EPO Open Patent Services (" + sim->OpsUrl(true) + "): ";
    const std::string accepted = "OK " + ops +
                                 "reachable, TLS trusted; key accepted; throttling busy; images yellow 100/min, "
                                 "other green 1000/min; quota used ";
    struct Case
    {
        const char* name;
        std::string secret;
        std::string caFile;
        bool viaProxy;
        std::string shown;
        bool tokenAsked;  // and OPS reached at all, when not
    };
    const Case cases[] = {
        {"right key", OfficeSim::opsSecret, sim->CaFile(), false, accepted, true},
        {"through the typed proxy", OfficeSim::opsSecret, sim->CaFile(), true, accepted, true},
        {"wrong secret", "wrong-secret", sim->CaFile(), false,
         "FAILED " + ops + "reachable, TLS trusted; EPO OPS key or secret refused: File > Setup > Services", true},
        {"no CA file", OfficeSim::opsSecret, "", false, "FAILED " + ops + "certificate not trusted: ", false},
        {"a folder for the CA file", OfficeSim::opsSecret, "/tmp", false,
         "FAILED " + ops + "certificate authority file unusable: /tmp: a folder", false},
        {"no secret", "", sim->CaFile(), false, "FAILED " + ops + "reachable, TLS trusted; EPO OPS key and secret needed",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim->Reset();
        sim->Control("POST", "/_sim/ops", load);
        Open(0);
        const ServiceFields services = FindServiceFields(dialog);
        ASSERT_TRUE(services.Found());
        if (c.viaProxy)
            TypeSimulatorProxy("maker");
        services.secret->ChangeValue(c.secret);
        services.caFile->ChangeValue(c.caFile);
        wxWindow* test = wxWindow::FindWindowByLabel("Test", dialog);
        ASSERT_NE(test, nullptr);
        wxString shown;
        wxTEST_DIALOG(Click(dialog, test->GetId()), LetCheckFinish(), ExpectProxyTestResult(&shown, "Services Test"));
        EXPECT_NE(shown.find(c.shown), wxString::npos) << shown;
        EXPECT_NE(shown.find("OK Update server"), wxString::npos) << "the network check's lines too";
        EXPECT_FALSE(!c.secret.empty() && shown.Contains(c.secret)) << "never the secret";
        EXPECT_TRUE(dialog->IsShown());

        const nlohmann::json requests = nlohmann::json::parse(sim->Log());
        bool tokenAsked = false;
        bool tunnelled = false;
        for (const auto& request : requests) {
            tokenAsked = tokenAsked || request["path"] == "/3.2/auth/accesstoken";
            tunnelled = tunnelled || (request["method"] == "CONNECT" && request["path"] == sim->Host("ops32tls"));
        }
        EXPECT_EQ(tokenAsked, c.tokenAsked);
        EXPECT_EQ(tunnelled, c.viaProxy);
        dialog->Destroy();
        dialog = nullptr;
    }
}

// Chooses `path` in the real GTK folder chooser, or answers it with `answer`.
class ChooseDirectory : public wxExpectModalBase<wxDirDialog, ChooseDirectory>
{
public:
    ChooseDirectory(const wxString& path, int answer) : path(path), answer(answer) {}

protected:
    int OnInvoked(wxDirDialog* chooser) const override
    {
        EXPECT_EQ(chooser->GetMessage(), "Chose a directory to save PDF into");
        if (answer == wxID_OK)
            AcceptInGtk(chooser, path);
        return answer;
    }

private:
    wxString path;
    int answer;
};

TEST_F(SetupDialogTest, BrowseFillsInTheChosenCaFile)
{
    const std::string chosen = home.Path() + "/company.pem";
    WriteFile(chosen, "-----BEGIN CERTIFICATE-----\n");
    Open(0);
    const ServiceFields services = FindServiceFields(dialog);
    ASSERT_TRUE(services.Found());
    wxWindow* browse = wxWindow::FindWindowByLabel("Browse", dialog);
    ASSERT_NE(browse, nullptr);
    wxTEST_DIALOG(Click(dialog, browse->GetId()), ChooseFile(chosen));
    EXPECT_EQ(services.caFile->GetValue(), chosen);
}

TEST_F(SetupDialogTest, ChangeDirectoryOnlyProposesTheChosenFolder)
{
    const wxString first = home.Dir("first");
    const wxString second = home.Dir("second");
    Open(0);
    const int changeButton = wxWindow::FindWindowByLabel("Change", dialog)->GetId();
    wxTEST_DIALOG(Click(dialog, changeButton), ChooseDirectory(first, wxID_OK));
    EXPECT_EQ(dialog->GetSavePath(), first);
    wxTEST_DIALOG(Click(dialog, changeButton), ChooseDirectory(second, wxID_CANCEL));
    EXPECT_EQ(dialog->GetSavePath(), first);
    EXPECT_EQ(wxGetCwd(), wxString(home.Path())) << "the dialog only proposes";
}


// The save folder's text as shown, "&" and all, without the wrapping.
std::string ShownFolder(wxWindow* directoryPage)
{
    for (wxWindow* child : directoryPage->GetChildren()) {
        auto* text = dynamic_cast<wxStaticText*>(child);
        if (!text || text->GetLabelText() == "Save Patents to:")
            continue;
        wxString shown = text->GetLabelText();
        shown.Replace("\n", "");
        return shown.utf8_string();
    }
    return std::string();
}

TEST_F(SetupDialogTest, FolderNamesWithAmpersandsAreShownAsTheyAre)
{
    const wxString start = home.Dir("R&D");
    const wxString chosen = home.Dir("Q&&A");
    ASSERT_TRUE(wxSetWorkingDirectory(start));
    Open(0);
    wxWindow* change = wxWindow::FindWindowByLabel("Change", dialog);
    EXPECT_EQ(ShownFolder(change->GetParent()), start.utf8_string());
    wxTEST_DIALOG(Click(dialog, change->GetId()), ChooseDirectory(chosen, wxID_OK));
    EXPECT_EQ(ShownFolder(change->GetParent()), chosen.utf8_string());
}

// Runs the Setup dialog that the main window opens: optionally picks a new
// folder through the chooser (the next expectation), then OK or Cancel.
class RunSetup : public wxExpectModalBase<SetupDialog, RunSetup>
{
public:
    RunSetup(bool changeFolder, int button) : changeFolder(changeFolder), button(button) {}

protected:
    int OnInvoked(SetupDialog* setup) const override
    {
        setup->Show();
        if (changeFolder)
            Click(setup, wxWindow::FindWindowByLabel("Change", setup)->GetId());
        Click(setup, button);
        return setup->IsShown() ? wxID_CANCEL : button;
    }

private:
    bool changeFolder;
    int button;
};

class SetupFromFrameTest : public SetupDialogTest
{
protected:
    void TearDown() override
    {
        if (frame)
            frame->Close(true);
        PumpFor(100);
        SetupDialogTest::TearDown();
    }

    void OpenFrame(long maxThreads)
    {
        auto config = OpenSettingsStore();
        config->Write("lastCheck", static_cast<long>(time(nullptr)));  // no update check
        config->Write("max_threads", maxThreads);
        config.reset();
        frame = new MyFrame("FolioHarvester", wxPoint(50, 50), wxSize(400, 240));
        frame->Show();
    }

    void ChooseSetup()
    {
        wxCommandEvent event(wxEVT_MENU, ID_SETUP);
        frame->ProcessWindowEvent(event);
    }

    MyFrame* frame = nullptr;
};

TEST_F(SetupFromFrameTest, JobLimitIsClampedAfterTheDialog)
{
    const long cases[][2] = {{0, 1}, {600, 511}, {3, 3}, {511, 511}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        OpenFrame(c[0]);
        EXPECT_EQ(frame->GetMaxThreads(), c[0]) << "no check at start-up";
        wxTEST_DIALOG(ChooseSetup(), RunSetup(false, wxID_CANCEL));
        EXPECT_EQ(frame->GetMaxThreads(), c[1]);
        frame->Close(true);
        frame = nullptr;
        PumpFor(50);
    }
}

TEST_F(SetupFromFrameTest, ChosenFolderBecomesCurrentOnOkAndReceivesTheNextDownload)
{
    const wxString folder = home.Dir("pdfs");
    OpenFrame(3);
    wxTEST_DIALOG(ChooseSetup(), RunSetup(true, wxID_CANCEL), ChooseDirectory(folder, wxID_OK));
    EXPECT_EQ(wxGetCwd(), wxString(home.Path())) << "Cancel keeps the folder";

    wxTEST_DIALOG(ChooseSetup(), RunSetup(true, wxID_OK), ChooseDirectory(folder, wxID_OK));
    EXPECT_EQ(wxGetCwd(), folder);
    EXPECT_TRUE(log.Errors().empty());

    auto* number = dynamic_cast<wxTextCtrl*>(wxWindow::FindWindowByName("text", frame));
    ASSERT_NE(number, nullptr);
    number->ChangeValue("5,123,456");
    wxCommandEvent enter(wxEVT_TEXT_ENTER, ID_NUMBER_FIELD);
    enter.SetEventObject(number);
    number->ProcessWindowEvent(enter);
    const std::string pdf = (folder + "/5123456.pdf").ToStdString();
    EXPECT_TRUE(PumpUntil([&] { return frame->RunningCount() == 0 && FileExists(pdf); }, 60000));
    EXPECT_FALSE(FileExists(home.Path() + "/5123456.pdf"));
}

TEST_F(SetupFromFrameTest, FolderThatCannotBeEnteredIsReported)
{
    const std::string gone = home.Dir("gone");
    OpenFrame(3);
    struct RemoveThenOk : RunSetup
    {
        RemoveThenOk(std::string dir) : RunSetup(true, wxID_OK), dir(std::move(dir)) {}
        int OnInvoked(SetupDialog* setup) const override
        {
            setup->Show();
            Click(setup, wxWindow::FindWindowByLabel("Change", setup)->GetId());
            rmdir(dir.c_str());
            Click(setup, wxID_OK);
            return wxID_OK;
        }
        std::string dir;
    };
    wxTEST_DIALOG(ChooseSetup(), RemoveThenOk(gone), ChooseDirectory(gone, wxID_OK));
    EXPECT_EQ(wxGetCwd(), wxString(home.Path()));
    EXPECT_EQ(log.Errors(), std::vector<wxString>{"Error changing directory to " + gone});
}

}  // namespace
