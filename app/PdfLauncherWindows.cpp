#include "app/PdfLauncher.h"

#include <windows.h>
#include <shellapi.h>

PdfLauncher::~PdfLauncher() = default;

bool PdfLauncher::Open(const wxString& path)
{
    return RunShellVerb("open", path);
}

bool PdfLauncher::Print(const wxString& path)
{
    return RunShellVerb("print", path);
}

bool PdfLauncher::RunShellVerb(const wxString& verb, const wxString& path)
{
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No dialog of the shell's own: the window says "No PDF Reader Found".
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = verb.wc_str();
    info.lpFile = path.wc_str();
    info.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&info) != FALSE;
}
