#include "TempHome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

std::string TempHome::Dir(const std::string& name) const
{
    fs::path dir = fs::path(path) / name;
    fs::create_directories(dir);
    return dir.string();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path)
{
    return fs::exists(path);
}

std::string CompletePdfStub()
{
    return "%PDF-1.1 \r\n%stub\r\nstartxref\r\n0\r\n%%EOF";
}
