#include "UpdateTestHelpers.h"

#include "net/SettingsStore.h"

#include <wx/app.h>
#include <wx/confbase.h>

#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

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

int ClosedLoopbackPort()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
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
