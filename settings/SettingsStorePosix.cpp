#include "settings/SettingsStore.h"

#include "settings/SettingsFile.h"

std::unique_ptr<wxConfigBase> OpenUserSettingsStore()
{
    return std::make_unique<SettingsFile>(wxString());
}
