#include "TempHome.h"

#include "settings/SettingsStore.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

TempHome::TempHome()
{
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
        const fs::path dir = fs::temp_directory_path() / ("fh-home-" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(dir, ec))
            path = dir.string();
    }
    if (path.empty())
        throw std::runtime_error("no temporary home could be created");
    if (const char* home = std::getenv("HOME")) {
        hadHome = true;
        oldHome = home;
    }
    _putenv_s("HOME", path.c_str());
    oldCwd = fs::current_path().string();
    fs::current_path(path);
    // The program keeps its settings in the registry here; a test's own
    // settings are the file in its home, as on Linux.
    UseSettingsFile(SettingsFile());
}

TempHome::~TempHome()
{
    std::error_code ec;
    UseSettingsFile("");
    fs::current_path(oldCwd, ec);
    _putenv_s("HOME", hadHome ? oldHome.c_str() : "");
    fs::remove_all(path, ec);
}
