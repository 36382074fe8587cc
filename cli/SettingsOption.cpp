#include "cli/SettingsOption.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// A file that cannot be read would silently mean every default: a typo in
// its name is said at once. Empty when it can be read.
std::string WhyUnreadable(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return "a folder, not a settings file";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::strerror(errno);
    std::fclose(file);
    return std::string();
}

}  // namespace

bool SettingsOption::Take(const std::vector<std::string>& args, size_t& i, bool& ok)
{
    if (args[i] != "--settings")
        return false;
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--settings needs the name of a settings file";
        ok = false;
        return true;
    }
    path = args[++i];
    const std::string why = WhyUnreadable(path);
    if (!why.empty())
        error = "--settings " + path + ": " + why;
    ok = why.empty();
    return true;
}
