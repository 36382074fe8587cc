#pragma once

#include <wx/confbase.h>

#include <memory>

// The settings store, made afresh wherever settings are read or written;
// changes reach the store when the returned object is destroyed. On Linux
// it is the file ~/.FolioHarvester, created readable by its owner only,
// since it holds the scrambled proxy password.
std::unique_ptr<wxConfigBase> OpenSettingsStore();

// Makes every later OpenSettingsStore() read `path` (relative to the working
// folder) instead: the command line's --settings FILE, which is only read.
void UseSettingsFile(const wxString& path);
