#include "settings/SettingsStore.h"

#include <wx/msw/regconf.h>

// The toolkit's registry store: with no vendor it lives under
// HKEY_CURRENT_USER\Software\FolioHarvester, each group a subkey.
std::unique_ptr<wxConfigBase> OpenUserSettingsStore()
{
    return std::make_unique<wxRegConfig>("FolioHarvester");
}
