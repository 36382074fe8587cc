#include "settings/FetchSettings.h"
#include "settings/Hosts.h"
#include "settings/NetworkSettings.h"
#include "settings/SettingsStore.h"

#include "TempHome.h"

#include <gtest/gtest.h>

#include <wx/log.h>
#include <wx/utils.h>

#include <memory>

#include <sys/stat.h>

namespace {

unsigned FileMode(const std::string& path)
{
    struct stat st{};
    if (stat(path.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

TEST(ScramblePassword, ChangesEveryNonZeroCharacterAndIsItsOwnInverse)
{
    const wxString passwords[] = {
        "", "secret", "Pass word!", "`~^_", wxString("a\0b", 3), wxString::FromUTF8("gr\xc3\xbc\xc3\x9f"),
    };
    for (const wxString& plain : passwords) {
        wxString stored = plain;
        ScramblePassword(stored);
        ASSERT_EQ(stored.length(), plain.length());
        for (size_t i = 0; i < plain.length(); ++i) {
            if (plain[i] == 0)
                EXPECT_EQ(stored[i], 0) << i;
            else
                EXPECT_NE(stored[i], plain[i]) << i;
        }
        ScramblePassword(stored);
        EXPECT_EQ(stored, plain);
    }
}

TEST(NetworkSettings, OneInstanceForTheProcess)
{
    EXPECT_EQ(&TheNetworkSettings(), &TheNetworkSettings());
    EXPECT_EQ(TheNetworkSettings().proxyPort, "80");
}

TEST(SettingsStore, FileIsCreatedForItsOwnerOnlyAndStaysSo)
{
    TempHome home;
    {
        auto config = OpenSettingsStore();
        config->Write("proxyPass", "x");
    }
    EXPECT_EQ(FileMode(home.SettingsFile()), 0600u);

    chmod(home.SettingsFile().c_str(), 0644);
    {
        auto config = OpenSettingsStore();
        config->Write("proxyUser", "me");
    }
    EXPECT_EQ(FileMode(home.SettingsFile()), 0600u);

    auto config = OpenSettingsStore();
    EXPECT_EQ(config->Read("proxyPass", ""), "x");
    EXPECT_EQ(config->Read("proxyUser", ""), "me");
}

TEST(SettingsStore, PasswordSurvivesTheRoundTripThroughTheFile)
{
    TempHome home;
    const wxString plain = "p@ss w=rd;#\"x\\";
    {
        wxString stored = plain;
        ScramblePassword(stored);
        OpenSettingsStore()->Write("proxyPass", stored);
    }
    wxString read = OpenSettingsStore()->Read("proxyPass", "");
    ScramblePassword(read);
    EXPECT_EQ(read, plain);
    EXPECT_EQ(ReadFile(home.SettingsFile()).find("p@ss"), std::string::npos);
}

TEST(SettingsStore, HostileFileGivesDefaults)
{
    TempHome home;
    wxLogNull quiet;
    WriteFile(home.SettingsFile(), std::string("max_threads=abc\nconnectionType=99999999999999999999999\n"
                                               "posx=\n[hosts\n\x01\xff\xfe=\n=\n[[[]]]\nsizex=1e9\n") +
                                       std::string("\0\0garbage", 9) + std::string(100000, 'z') + "\n");
    auto config = OpenSettingsStore();
    long value = 0;
    config->Read("max_threads", &value, 3L);
    EXPECT_EQ(value, 3);
    config->Read("connectionType", &value, 0L);
    EXPECT_EQ(value, 0);
    int position = 0;
    config->Read("posx", &position, 50);
    EXPECT_EQ(position, 50);
    config->Read("sizex", &position, 400);
    EXPECT_EQ(position, 400);
}

// The OPS key variables for one test's scope; null leaves a variable unset.
class OpsKeyVariables
{
public:
    OpsKeyVariables(const char* key, const char* secret)
    {
        Set(ServiceSettings::opsKeyVariable, key);
        Set(ServiceSettings::opsSecretVariable, secret);
    }
    ~OpsKeyVariables()
    {
        Set(ServiceSettings::opsKeyVariable, nullptr);
        Set(ServiceSettings::opsSecretVariable, nullptr);
    }

private:
    static void Set(const char* name, const char* value)
    {
        if (value)
            wxSetEnv(name, value);
        else
            wxUnsetEnv(name);
    }
};

std::string Scrambled(const char* plain)
{
    wxString text = plain;
    ScramblePassword(text);
    return text.ToStdString();
}

TEST(FetchSettings, ReadsRoutesKeysAndNetworkTheSameWayForEveryFrontEnd)
{
    using Route = ServiceSettings::Route;
    struct Case
    {
        std::string lines;
        const char* envKey;
        const char* envSecret;
        Route us, other;
        Route ep;  // where EP documents go: ep= with automatic resolved
        const char* opsUrl;
        const char* key;
        const char* secret;
        long connectionType;
        size_t warnings;
    };
    const std::string services = "[services]\nus=OPS\nother= classic \ncaFile=/tmp/ca.pem\n";
    const std::string ops = "[ops]\nurl=http://127.0.0.1:8/3.2\nconsumerKey=stored-key\n"
                            "consumerSecret=" + Scrambled("stored secret") + "\n"
                            "[eps]\nurl=http://127.0.0.1:9/publication-server\n";
    const Case cases[] = {
        {"", nullptr, nullptr, Route::ppubs, Route::ops, Route::eps, "https://ops.epo.org/3.2", "", "", 0, 0},
        // The classic route keeps EP documents unless ep= names another.
        {services + ops, nullptr, nullptr, Route::ops, Route::classic, Route::classic, "http://127.0.0.1:8/3.2",
         "stored-key", "stored secret", 0, 0},
        {services + "ep=eps\n" + ops, "env-key", "env-secret", Route::ops, Route::classic, Route::eps,
         "http://127.0.0.1:8/3.2", "env-key", "env-secret", 0, 0},
        {"[ops]\nurl=\n", "env-key", nullptr, Route::ppubs, Route::ops, Route::eps, "https://ops.epo.org/3.2",
         "env-key", "", 0, 0},
        {"[ops]\nurl=\n", "env-key", "env-secret", Route::ppubs, Route::ops, Route::ops,
         "https://ops.epo.org/3.2", "env-key", "env-secret", 0, 0},
        {"[services]\nep=AUTO\n" + ops, nullptr, nullptr, Route::ppubs, Route::ops, Route::ops,
         "http://127.0.0.1:8/3.2", "stored-key", "stored secret", 0, 0},
        {"[services]\nep=ops\n", nullptr, nullptr, Route::ppubs, Route::ops, Route::ops,
         "https://ops.epo.org/3.2", "", "", 0, 0},
        {"[services]\nus=patft\nep=classic\nother=ppubs\n", nullptr, nullptr, Route::ppubs, Route::ops,
         Route::eps, "https://ops.epo.org/3.2", "", "", 0, 3},
        {"[services]\nus=classic\n", nullptr, nullptr, Route::classic, Route::ops, Route::eps,
         "https://ops.epo.org/3.2", "", "", 0, 0},
        // A count beyond int would become any type when cut to int.
        {"connectionType=4294967298\n", nullptr, nullptr, Route::ppubs, Route::ops, Route::eps,
         "https://ops.epo.org/3.2", "", "", 0, 0},
        {"connectionType=-1\n", nullptr, nullptr, Route::ppubs, Route::ops, Route::eps,
         "https://ops.epo.org/3.2", "", "", 0, 0},
        {"connectionType=1\n", nullptr, nullptr, Route::ppubs, Route::ops, Route::eps,
         "https://ops.epo.org/3.2", "", "", 1, 0},
        {"proxyEnable=1\nproxyType=HTTP\n", nullptr, nullptr, Route::ppubs, Route::ops, Route::eps,
         "https://ops.epo.org/3.2", "", "", 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        TempHome home;
        OpsKeyVariables variables(c.envKey, c.envSecret);
        WriteFile(home.SettingsFile(), c.lines);
        const FetchSettings settings = FetchSettings::Load();
        EXPECT_EQ(ServiceSettings::RouteName(settings.services.us), ServiceSettings::RouteName(c.us));
        EXPECT_EQ(ServiceSettings::RouteName(settings.services.other), ServiceSettings::RouteName(c.other));
        EXPECT_EQ(ServiceSettings::RouteName(settings.services.EpRoute()), ServiceSettings::RouteName(c.ep));
        EXPECT_EQ(settings.services.opsUrl, c.opsUrl);
        EXPECT_EQ(settings.services.opsKey, c.key);
        EXPECT_EQ(settings.services.opsSecret, c.secret);
        EXPECT_EQ(settings.services.warnings.size(), c.warnings);
        EXPECT_EQ(settings.network.connectionType, c.connectionType);
        EXPECT_EQ(settings.services.caFile, c.lines.find("caFile") != std::string::npos ? "/tmp/ca.pem" : "");
        EXPECT_EQ(settings.services.ppubsImageUrl, "https://image-ppubs.uspto.gov");
        EXPECT_EQ(settings.services.epsUrl, c.lines.find("[eps]") != std::string::npos
                                                ? "http://127.0.0.1:9/publication-server"
                                                : "https://data.epo.org/publication-server");
        EXPECT_EQ(ReadFile(home.SettingsFile()), c.lines);  // reading never writes
    }
}

TEST(FetchSettings, SavedSecretIsScrambledAndValuesFromTheEnvironmentAreNeverWritten)
{
    TempHome home;
    ServiceSettings chosen;
    chosen.us = ServiceSettings::Route::classic;
    chosen.ep = ServiceSettings::Route::eps;
    chosen.opsKey = "my-key";
    chosen.opsSecret = "p@ss w=rd;#\"x\\";
    chosen.Save(*OpenSettingsStore());
    EXPECT_EQ(ReadFile(home.SettingsFile()).find("p@ss"), std::string::npos);
    const ServiceSettings read = FetchSettings::Load().services;
    EXPECT_EQ(read.us, ServiceSettings::Route::classic);
    EXPECT_EQ(read.ep, ServiceSettings::Route::eps);
    EXPECT_EQ(read.opsKey, "my-key");
    EXPECT_EQ(read.opsSecret, chosen.opsSecret);

    OpsKeyVariables variables("env-key", "env-secret");
    FetchSettings::Load().services.Save(*OpenSettingsStore());
    const std::string file = ReadFile(home.SettingsFile());
    EXPECT_EQ(file.find("env-"), std::string::npos) << file;
    EXPECT_NE(file.find("consumerKey=my-key"), std::string::npos) << file;
}

TEST(Hosts, DefaultsOverridesAndPorts)
{
    TempHome home;
    const Hosts defaults = Hosts::Defaults();
    EXPECT_EQ(defaults.patentImages1, "patimg1.uspto.gov");
    EXPECT_EQ(defaults.patentImages2, "patimg2.uspto.gov");
    EXPECT_EQ(defaults.applicationImages1, "aiw1.uspto.gov");
    EXPECT_EQ(defaults.applicationImages2, "aiw2.uspto.gov");
    EXPECT_EQ(defaults.applicationSearch, "appft1.uspto.gov");
    EXPECT_EQ(defaults.ops, "ops.epo.org");
    EXPECT_EQ(defaults.maker, "");

    // No settings file at all.
    EXPECT_EQ(Hosts::Load().ops, "ops.epo.org");

    WriteFile(home.SettingsFile(), "max_threads=3\n[hosts]\npatentImages1=127.0.0.1:40001\n"
                                   "ops= localhost:8080 \nmaker=\n");
    const Hosts hosts = Hosts::Load();
    EXPECT_EQ(hosts.patentImages1, "127.0.0.1:40001");
    EXPECT_EQ(hosts.ops, "localhost:8080");
    EXPECT_EQ(hosts.maker, "");
    EXPECT_EQ(hosts.patentImages2, "patimg2.uspto.gov");
    EXPECT_EQ(hosts.applicationSearch, "appft1.uspto.gov");

    // Loading never writes the group.
    EXPECT_EQ(ReadFile(home.SettingsFile()),
              "max_threads=3\n[hosts]\npatentImages1=127.0.0.1:40001\nops= localhost:8080 \nmaker=\n");
}

}  // namespace
