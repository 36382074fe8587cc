#include "cli/ExecHelper.h"

#include <cstdio>
#include <string>
#include <vector>

#include <limits.h>
#include <unistd.h>

int ExecHelper(char** argv, const std::vector<int>& passOn, const char* helper, const char* mode)
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
    for (int index : passOn)
        helperArgs.push_back(argv[index]);
    helperArgs.push_back(nullptr);
    execv(path.c_str(), helperArgs.data());
    std::perror(path.c_str());
    return 1;
}
