#include "UpdateTestHelpers.h"

#include "settings/SettingsStore.h"

#include <wx/app.h>
#include <wx/confbase.h>

#include <vector>

#include <sys/stat.h>

namespace {

void SetArguments(const wxArrayString& args)
{
    std::vector<wxChar*> pointers;
    std::vector<wxString> copies(args.begin(), args.end());
    for (wxString& arg : copies)
        pointers.push_back(const_cast<wxChar*>(arg.wc_str()));
    wxTheApp->argv.Init(static_cast<int>(pointers.size()), pointers.data());
    wxTheApp->argc = static_cast<int>(pointers.size());
}

}  // namespace

ProgramPathOverride::ProgramPathOverride(const wxString& path)
    : saved(wxTheApp->argv.GetArguments())
{
    wxArrayString args = saved;
    if (args.empty())
        args.push_back(path);
    else
        args[0] = path;
    SetArguments(args);
}

ProgramPathOverride::~ProgramPathOverride()
{
    SetArguments(saved);
}

void SetMakerHost(const std::string& host)
{
    // The store is $HOME/.FolioHarvester, which the test's TempHome owns.
    auto config = OpenSettingsStore();
    config->Write("/hosts/maker", wxString(host));
}

bool IsExecutable(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IXUSR) && (info.st_mode & S_IXOTH);
}
