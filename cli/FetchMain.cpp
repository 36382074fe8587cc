// folioharvester-fetch TEXT...: the downloading front end, also reached as
// `folioharvester-cli fetch`; `folioharvester-fetch --check` is
// `folioharvester-cli check`, which needs the same network stack.
#include "cli/Commands.h"

#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], checkOption) == 0)
        return RunCheck(std::vector<std::string>(argv + 2, argv + argc));
    return RunFetch(std::vector<std::string>(argv + 1, argv + argc));
}
