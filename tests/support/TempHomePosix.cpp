#include "TempHome.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <unistd.h>

namespace fs = std::filesystem;

TempHome::TempHome()
{
    std::string tmpl = (fs::temp_directory_path() / "fh-home-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path = tmpl;
    if (const char* home = getenv("HOME")) {
        hadHome = true;
        oldHome = home;
    }
    setenv("HOME", path.c_str(), 1);
    oldCwd = fs::current_path().string();
    fs::current_path(path);
}

TempHome::~TempHome()
{
    std::error_code ec;
    fs::current_path(oldCwd, ec);
    if (hadHome)
        setenv("HOME", oldHome.c_str(), 1);
    else
        unsetenv("HOME");
    fs::remove_all(path, ec);
}
