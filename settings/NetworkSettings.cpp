#include "settings/NetworkSettings.h"

namespace {

// Keeps printable ASCII printable in the settings file (apart from the
// backquote, which becomes DEL).
const wxUniChar::value_type passwordMask = 0x1F;

}  // namespace

NetworkSettings& TheNetworkSettings()
{
    static NetworkSettings settings;
    return settings;
}

void ScramblePassword(wxString& password)
{
    for (wxString::iterator it = password.begin(); it != password.end(); ++it) {
        const wxUniChar::value_type c = wxUniChar(*it).GetValue();
        if (c != 0)
            *it = wxUniChar(c ^ passwordMask);
    }
}
