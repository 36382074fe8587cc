#pragma once

#include <string>

// A fresh temporary HOME (so the settings file lives there) and working
// directory for one test; both are restored and removed afterwards.
class TempHome
{
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Path() const { return path; }
    std::string SettingsFile() const { return path + "/.FolioHarvester"; }
    // A folder inside the temporary home, created on demand.
    std::string Dir(const std::string& name) const;

private:
    std::string path;
    std::string oldHome;
    bool hadHome = false;
    std::string oldCwd;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The smallest bytes the program takes for a whole PDF (its header and its
// trailer), like a document downloaded before.
std::string CompletePdfStub();
