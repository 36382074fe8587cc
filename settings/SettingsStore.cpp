#include "settings/SettingsStore.h"

#include "settings/SettingsFile.h"

#include <wx/filename.h>

#include <mutex>

namespace {

// Set before any job starts, read while the store is opened under its lock.
wxString& ChosenFile()
{
    static wxString path;
    return path;
}

}  // namespace

std::unique_ptr<wxConfigBase> OpenSettingsStore()
{
    // A hand-edited file may hold lines wxFileConfig asserts on (an entry
    // without a name); they are kept and ignored like other malformed lines.
    // The assert handler is process-wide, so threads opening the store take turns.
    static std::mutex loading;
    const std::lock_guard<std::mutex> lock(loading);
    const wxAssertHandler_t previous = wxSetAssertHandler(nullptr);
    std::unique_ptr<wxConfigBase> store;
    if (ChosenFile().empty())
        store = OpenUserSettingsStore();
    else
        store = std::make_unique<SettingsFile>(ChosenFile());
    wxSetAssertHandler(previous);
    return store;
}

void UseSettingsFile(const wxString& path)
{
    if (path.empty()) {
        ChosenFile().clear();
        return;
    }
    wxFileName name(path);
    name.MakeAbsolute();
    ChosenFile() = name.GetFullPath();
}
