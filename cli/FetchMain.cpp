// folioharvester-fetch TEXT...: the downloading front end, also reached as
// `folioharvester-cli fetch`.
#include "cli/Commands.h"

int main(int argc, char** argv)
{
    return RunFetch(std::vector<std::string>(argv + 1, argv + argc));
}
