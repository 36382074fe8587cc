// folioharvester-fetch TEXT...: the downloading front end, also reached as
// `folioharvester-cli fetch`; `folioharvester-fetch --check` is
// `folioharvester-cli check`, which needs the same network stack.
#include "cli/Commands.h"

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // Lines end in "\n" as on other systems: programs read this output.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    if (argc > 1 && std::strcmp(argv[1], checkOption) == 0)
        return RunCheck(std::vector<std::string>(argv + 2, argv + argc));
    return RunFetch(std::vector<std::string>(argv + 1, argv + argc));
}
