#include "settings/SettingsFile.h"

#include <wx/filename.h>

#include <sys/stat.h>

SettingsFile::SettingsFile(const wxString& chosen)
    : wxFileConfig("FolioHarvester", wxEmptyString, chosen, wxEmptyString,
                   wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE)
    , path(chosen.empty() ? GetLocalFileName("FolioHarvester") : wxString())
{
    SetUmask(0077);
}

SettingsFile::~SettingsFile()
{
    Flush();
#ifndef __WINDOWS__  // there the file sits in the user's own profile
    const int ownerOnly = 0600;
    if (!path.empty() && wxFileName::FileExists(path))
        chmod(path.fn_str(), ownerOnly);
#endif
}
