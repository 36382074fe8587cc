#include "cli/Commands.h"
#include "cli/SettingsOption.h"
#include "cli/TraceOption.h"
#include "cli/Usage.h"

#include "check/ServiceCheck.h"
#include "net/FetchSettings.h"
#include "net/SettingsStore.h"

#include <wx/init.h>

#include <cstdio>

namespace {

enum class Parsed { run, help, wrong, unreadable };

Parsed ParseOptions(const std::vector<std::string>& args, TraceOption& trace, SettingsOption& settings)
{
    for (size_t i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (settings.Take(args, i, ok)) {
            if (!ok)
                return Parsed::unreadable;
        } else if (trace.Take(args, i, ok)) {
            if (!ok)
                return Parsed::wrong;
        } else if (args[i] == "-h" || args[i] == "--help") {
            return Parsed::help;
        } else {
            return Parsed::wrong;
        }
    }
    return Parsed::run;
}

}  // namespace

int RunCheck(const std::vector<std::string>& args)
{
    TraceOption traceOption;
    SettingsOption settingsOption;
    switch (ParseOptions(args, traceOption, settingsOption)) {
    case Parsed::unreadable:
        std::fprintf(stderr, "folioharvester-cli: %s\n", settingsOption.error.c_str());
        return 64;
    case Parsed::wrong:
        std::fputs(CheckUsage().c_str(), stderr);
        return 64;
    case Parsed::help:
        std::fputs(CheckUsage().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case Parsed::run:
        break;
    }
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        std::fputs("folioharvester-cli: cannot initialise wxWidgets\n", stderr);
        return 1;
    }
    bool traceOpened = true;
    if (!settingsOption.path.empty())
        UseSettingsFile(wxString(settingsOption.path.c_str(), *wxConvFileName));
    FetchSettings settings = FetchSettings::Load();
    settings.network.trace = traceOption.Open(traceOpened);
    if (!traceOpened)
        return 64;
    for (const wxString& warning : settings.services.warnings)
        std::fprintf(stderr, "folioharvester-cli: %s\n", warning.utf8_str().data());
    ServiceCheck check(settings);
    bool allWork = true;
    for (const ServiceCheck::Target& target : check.Targets()) {
        const CheckLine line = check.Ask(target);
        allWork = allWork && line.ok;
        std::printf("%s\n", line.Text().utf8_str().data());
        std::fflush(stdout);
    }
    return allWork ? 0 : 1;
}
