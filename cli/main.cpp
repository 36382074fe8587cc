// folioharvester-cli: the headless front end. Shares every library with the
// window; reads the settings store but never writes it.
#include "cli/Commands.h"
#include "cli/ExecHelper.h"
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

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Lines end in "\n" as on other systems: programs read this output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc < 2)
        return Usage();
    if (AsksForHelp(argv[1]) || std::strcmp(argv[1], "help") == 0)
        return Help(CliUsage());
    std::vector<std::string> args(argv + 2, argv + argc);
    const bool help = args.size() == 1 && AsksForHelp(args[0].c_str());
    if (std::strcmp(argv[1], "classify") == 0)
        return help ? Help(ClassifyUsage()) : RunClassify(args);
    if (std::strcmp(argv[1], "assemble") == 0)
        return help ? Help(AssembleUsage()) : RunAssemble(args);
    if (std::strcmp(argv[1], "fetch") == 0)
        return ExecHelper(argc, argv, "folioharvester-fetch");
    if (std::strcmp(argv[1], "check") == 0)
        return ExecHelper(argc, argv, "folioharvester-fetch", checkOption);
    if (std::strcmp(argv[1], "ocr") == 0)
        return ExecHelper(argc, argv, "folioharvester-ocr");
    return Usage();
}
