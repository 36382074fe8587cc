// A hostile settings file: every key the program reads, with its type, must
// load without crashing.
#include "settings/Hosts.h"
#include "settings/NetworkSettings.h"
#include "settings/SettingsStore.h"

#include <wx/ffile.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    static wxLogNull noLog;
    static const std::string home = "/tmp/fh-fuzz-home-" + std::to_string(getpid());
    static bool ready = (system(("mkdir -p " + home).c_str()), setenv("HOME", home.c_str(), 1), true);
    (void)ready;

    wxFFile file(home + "/.FolioHarvester", "wb");
    file.Write(data, size);
    file.Close();

    auto config = OpenSettingsStore();
    long l = 0;
    int i = 0;
    bool b = false;
    wxString s;
    for (const char* key : {"posx", "posy", "sizex", "sizey"})
        config->Read(key, &i, 50);
    for (const char* key : {"proxyServer", "proxyPort", "proxyUser", "proxyPass", "Path", "proxyType"})
        config->Read(key, &s);
    ScramblePassword(s);
    for (const char* key : {"connectionType", "max_threads", "lastCheck"})
        config->Read(key, &l, 0L);
    if (config->Exists("proxyEnable"))
        config->Read("proxyEnable", &b, false);
    Hosts::Load();
    return 0;
}
