#include "settings/SettingsStore.h"

#include <wx/log.h>
#include <wx/msw/regconf.h>

namespace {

// The toolkit's registry store: with no vendor it lives under
// HKEY_CURRENT_USER\Software\FolioHarvester, each group a subkey. It writes
// numbers as DWORDs and texts as strings; a value typed in by hand (regedit,
// reg add) may be either, so each is also read as the other.
class RegistrySettings : public wxRegConfig
{
public:
    RegistrySettings() : wxRegConfig("FolioHarvester") {}

protected:
    // A value of the other type is no error to show the user.
    bool DoReadString(const wxString& key, wxString* text) const override
    {
        const wxLogNull quiet;
        long number = 0;
        if (wxRegConfig::DoReadString(key, text))
            return true;
        if (!wxRegConfig::DoReadLong(key, &number))
            return false;
        *text = wxString::Format("%ld", number);
        return true;
    }

    bool DoReadLong(const wxString& key, long* number) const override
    {
        const wxLogNull quiet;
        wxString text;
        if (wxRegConfig::DoReadLong(key, number))
            return true;
        return wxRegConfig::DoReadString(key, &text) && text.Trim(true).Trim(false).ToLong(number);
    }
};

}  // namespace

std::unique_ptr<wxConfigBase> OpenUserSettingsStore()
{
    return std::make_unique<RegistrySettings>();
}
