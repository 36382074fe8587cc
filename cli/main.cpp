// folioharvester-cli: the headless front end. Shares every library with the
// window; reads the settings store but never writes it.
#include "cli/Commands.h"

#include <cstdio>
#include <cstring>

namespace {

int Usage()
{
    std::fputs("usage: folioharvester-cli classify TEXT\n"
               "       folioharvester-cli fetch [-j N] TEXT...\n"
               "       folioharvester-cli assemble OUT.pdf PAGE.tif...\n",
               stderr);
    return 64;
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
        return RunFetch(args);
    return Usage();
}
