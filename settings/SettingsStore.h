#pragma once

#include <wx/confbase.h>

#include <memory>

// The settings store, made afresh wherever settings are read or written;
// changes reach the store when the returned object is destroyed. On Linux
// it is the file ~/.FolioHarvester, created readable by its owner only,
// since it holds the scrambled proxy password.
std::unique_ptr<wxConfigBase> OpenSettingsStore();
