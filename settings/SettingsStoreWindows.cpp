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
    bool DoReadString(const wxString& key, wxString* text) const override
    {
        long number = 0;
        if (ReadQuietly([&] { return wxRegConfig::DoReadString(key, text); }))
            return true;
        if (!ReadQuietly([&] { return wxRegConfig::DoReadLong(key, &number); }))
            return false;
        *text = wxString::Format("%ld", number);
        return true;
    }

    bool DoReadLong(const wxString& key, long* number) const override
    {
        wxString text;
        if (ReadQuietly([&] { return wxRegConfig::DoReadLong(key, number); }))
            return true;
        return ReadQuietly([&] { return wxRegConfig::DoReadString(key, &text); }) &&
               text.Trim(true).Trim(false).ToLong(number);
    }

private:
    // A value of the other type is no error to show the user.
    template <typename Read>
    static bool ReadQuietly(Read read)
    {
        const wxLogNull quiet;
        return read();
    }
};

}  // namespace

std::unique_ptr<wxConfigBase> OpenUserSettingsStore()
{
    return std::make_unique<RegistrySettings>();
}
