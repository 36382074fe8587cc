// folioharvester-cli: the headless front end. Shares every library with the
// window; reads the settings store but never writes it.
#include "cli/Commands.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <limits.h>
#include <unistd.h>

namespace {

int Usage()
{
    std::fputs("usage: folioharvester-cli classify TEXT\n"
               "       folioharvester-cli fetch [-j N] TEXT...\n"
               "       folioharvester-cli assemble OUT.pdf PAGE.tif...\n",
               stderr);
    return 64;
}

// Replaces this process with folioharvester-fetch from the same folder, so
// signals and the exit code are the fetch's own.
int ExecFetch(char** argv)
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        std::perror("folioharvester-cli");
        return 1;
    }
    std::string path(self, static_cast<size_t>(n));
    path = path.substr(0, path.rfind('/') + 1) + "folioharvester-fetch";
    argv[1] = const_cast<char*>(path.c_str());
    execv(path.c_str(), argv + 1);
    std::perror(path.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::vector<std::string> args(argv + 2, argv + argc);
    if (std::strcmp(argv[1], "classify") == 0)
        return RunClassify(args);
    if (std::strcmp(argv[1], "assemble") == 0)
        return RunAssemble(args);
    if (std::strcmp(argv[1], "fetch") == 0)
        return ExecFetch(argv);
    return Usage();
}
