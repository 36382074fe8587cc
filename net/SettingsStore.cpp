#include "net/SettingsStore.h"

#include <wx/fileconf.h>
#include <wx/filename.h>

#include <mutex>

#include <sys/stat.h>

namespace {

const int ownerOnly = 0600;

// Set before any job starts, read while the store is opened under its lock.
wxString& ChosenFile()
{
    static wxString path;
    return path;
}

// Keeps the settings file readable by its owner only, also when an older
// file with wider permissions is rewritten (wxFileConfig keeps the mode of
// the file it replaces).
class SettingsFile : public wxFileConfig
{
public:
    explicit SettingsFile(const wxString& chosen)
        : wxFileConfig("FolioHarvester", wxEmptyString, chosen, wxEmptyString,
                       wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE),
          // A file named on the command line is only read: its mode stays the user's.
          path(chosen.empty() ? GetLocalFileName("FolioHarvester") : wxString())
    {
        SetUmask(0077);
    }

    ~SettingsFile() override
    {
        Flush();
#ifndef __WINDOWS__  // there the file sits in the user's own profile
        if (!path.empty() && wxFileName::FileExists(path))
            chmod(path.fn_str(), ownerOnly);
#endif
    }

private:
    wxString path;
};

}  // namespace

std::unique_ptr<wxConfigBase> OpenSettingsStore()
{
    // A hand-edited file may hold lines wxFileConfig asserts on (an entry
    // without a name); they are kept and ignored like other malformed lines.
    // The assert handler is process-wide, so threads opening the store take turns.
    static std::mutex loading;
    const std::lock_guard<std::mutex> lock(loading);
    const wxAssertHandler_t previous = wxSetAssertHandler(nullptr);
    auto store = std::make_unique<SettingsFile>(ChosenFile());
    wxSetAssertHandler(previous);
    return store;
}

void UseSettingsFile(const wxString& path)
{
    wxFileName name(path);
    name.MakeAbsolute();
    ChosenFile() = name.GetFullPath();
}
