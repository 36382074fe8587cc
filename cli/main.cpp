// folioharvester-cli: the headless front end. Shares every library with the
// window; reads the settings store but never writes it.
#include "cli/Commands.h"
#include "cli/Usage.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <limits.h>
#include <unistd.h>

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

// Replaces this process with `helper` (folioharvester-fetch or -ocr) from
// the same folder, so signals and the exit code are the helper's own. The
// helper gets the subcommand's arguments, after `mode` when one is given.
int ExecHelper(int argc, char** argv, const char* helper, const char* mode = nullptr)
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        std::perror("folioharvester-cli");
        return 1;
    }
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.rfind('/') + 1) + helper;
    std::vector<char*> helperArgs{const_cast<char*>(path.c_str())};
    if (mode)
        helperArgs.push_back(const_cast<char*>(mode));
    helperArgs.insert(helperArgs.end(), argv + 2, argv + argc);
    helperArgs.push_back(nullptr);
    execv(path.c_str(), helperArgs.data());
    std::perror(path.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
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
