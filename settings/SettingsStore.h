#pragma once

#include <wx/confbase.h>

#include <memory>

// The settings store, made afresh wherever settings are read or written;
// changes reach the store when the returned object is destroyed. On Linux
// it is the file ~/.FolioHarvester, created readable by its owner only,
// since it holds the scrambled proxy password; on Windows the registry key
// HKEY_CURRENT_USER\Software\FolioHarvester, the file's groups as subkeys.
std::unique_ptr<wxConfigBase> OpenSettingsStore();

// Makes every later OpenSettingsStore() read `path` (relative to the working
// folder) instead: the command line's --settings FILE, which is only read.
// An empty path returns to the user's own store.
void UseSettingsFile(const wxString& path);

// Where the user's own settings live, as told to a person.
#ifdef __WINDOWS__
inline constexpr char userSettingsKind[] = "key";
inline constexpr char userSettingsPlace[] = "HKEY_CURRENT_USER\\Software\\FolioHarvester";
#else
inline constexpr char userSettingsKind[] = "file";
inline constexpr char userSettingsPlace[] = "~/.FolioHarvester";
#endif

// The user's own store, opened by OpenSettingsStore (one per platform).
std::unique_ptr<wxConfigBase> OpenUserSettingsStore();
