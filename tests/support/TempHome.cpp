#include "TempHome.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

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
