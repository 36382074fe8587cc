#include "cli/ExecHelper.h"

#include "cli/QuotedArgument.h"

#include <cstdio>
#include <string>

#include <windows.h>
#include <shellapi.h>

namespace {

std::wstring OwnFolder()
{
    std::wstring self(32768, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return self.substr(0, self.find_last_of(L"\\/") + 1);
}

HANDLE Inherited(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    return handle;
}

// Ctrl+C reaches every program on the console: the helper decides, this one
// waits for it.
BOOL WINAPI LeaveToHelper(DWORD)
{
    return TRUE;
}

}  // namespace

// Windows cannot replace a process: the helper runs as a child, with this
// process's standard handles, and its exit code is passed on. The arguments
// are taken again from the command line as UTF-16, so none is lost to a
// code page.
int ExecHelper(char**, const std::vector<int>& passOn, const char* helper, const char* mode)
{
    const std::wstring name = std::wstring(helper, helper + std::char_traits<char>::length(helper)) + L".exe";
    const std::wstring path = OwnFolder() + name;
    int argc = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring line = QuotedArgument(path);
    if (mode)
        line += L" " + std::wstring(mode, mode + std::char_traits<char>::length(mode));
    for (int index : passOn)
        if (args && index < argc)
            line += L" " + QuotedArgument(args[index]);
    LocalFree(args);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inherited(STD_INPUT_HANDLE);
    startup.hStdOutput = Inherited(STD_OUTPUT_HANDLE);
    startup.hStdError = Inherited(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    SetConsoleCtrlHandler(LeaveToHelper, TRUE);
    if (!CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "folioharvester-cli: %s.exe could not be started (error %lu)\n", helper,
                     GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
