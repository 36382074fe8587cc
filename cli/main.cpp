// folioharvester-cli: the headless front end. Shares every library with the
// window; reads the settings store but never writes it.
#include "cli/Commands.h"
#include "cli/ExecHelper.h"
#include "cli/SettingsOption.h"
#include "cli/Usage.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int Usage()
{
    std::fputs(CliUsage().c_str(), stderr);
    return 64;
}

bool AsksForHelp(const char* arg)
{
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

int Help(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// The indices of argv from `first` to the end.
std::vector<int> From(int first, int argc)
{
    std::vector<int> indices;
    for (int i = first; i < argc; ++i)
        indices.push_back(i);
    return indices;
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Lines end in "\n" as on other systems: programs read this output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    // A --settings FILE before the command goes to the helpers that read
    // the settings; the others read none.
    int command = 1;
    std::vector<int> settingsArgs;
    if (argc > 1 && std::strcmp(argv[1], "--settings") == 0) {
        const std::vector<std::string> args(argv + 1, argv + argc);
        size_t i = 0;
        bool ok = true;
        SettingsOption option;
        option.Take(args, i, ok);
        if (!ok) {
            std::fprintf(stderr, "folioharvester-cli: %s\n", option.error.c_str());
            return 64;
        }
        settingsArgs = {1, 2};
        command = 3;
    }
    if (argc <= command)
        return Usage();
    const char* name = argv[command];
    if (AsksForHelp(name) || std::strcmp(name, "help") == 0)
        return Help(CliUsage());
    std::vector<std::string> args(argv + command + 1, argv + argc);
    const bool help = args.size() == 1 && AsksForHelp(args[0].c_str());
    std::vector<int> helperArgs = settingsArgs;
    for (int index : From(command + 1, argc))
        helperArgs.push_back(index);
    if (std::strcmp(name, "classify") == 0)
        return help ? Help(ClassifyUsage()) : RunClassify(args);
    if (std::strcmp(name, "assemble") == 0)
        return help ? Help(AssembleUsage()) : RunAssemble(args);
    if (std::strcmp(name, "fetch") == 0)
        return ExecHelper(argv, helperArgs, "folioharvester-fetch");
    if (std::strcmp(name, "check") == 0)
        return ExecHelper(argv, helperArgs, "folioharvester-fetch", checkOption);
    if (std::strcmp(name, "ocr") == 0)
        return ExecHelper(argv, From(command + 1, argc), "folioharvester-ocr");
    return Usage();
}
