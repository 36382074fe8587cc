#include "settings/SettingsStore.h"

#include <wx/fileconf.h>
#include <wx/filename.h>

#include <mutex>

#include <sys/stat.h>

namespace {

const int ownerOnly = 0600;

// Keeps the settings file readable by its owner only, also when an older
// file with wider permissions is rewritten (wxFileConfig keeps the mode of
// the file it replaces).
class SettingsFile : public wxFileConfig
{
public:
    SettingsFile()
        : wxFileConfig("FolioHarvester", wxEmptyString, wxEmptyString, wxEmptyString,
                       wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE),
          path(GetLocalFileName("FolioHarvester"))
    {
        SetUmask(0077);
    }

    ~SettingsFile() override
    {
        Flush();
#ifndef __WINDOWS__  // there the file sits in the user's own profile
        if (wxFileName::FileExists(path))
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
    auto store = std::make_unique<SettingsFile>();
    wxSetAssertHandler(previous);
    return store;
}
