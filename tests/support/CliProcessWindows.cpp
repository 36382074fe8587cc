#include "CliProcess.h"
#include "TempHome.h"

#include "cli/QuotedArgument.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <thread>

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <psapi.h>

namespace {

// SIGKILL, which Windows' C runtime does not define.
const int killSignal = 9;

std::wstring Wide(const std::string& utf8)
{
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// The bytes waiting in the pipe behind `fd`: 0 when none, -1 once it has ended.
long Waiting(int fd)
{
    DWORD available = 0;
    if (!PeekNamedPipe(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), nullptr, 0, nullptr, &available, nullptr))
        return -1;
    return static_cast<long>(available);
}

// The program keeps its settings in the registry here; a test's settings
// are the file in its temporary home, as on Linux, named to the downloading
// commands unless the test names a file itself.
std::vector<std::string> WithHomesSettings(std::vector<std::string> args)
{
    const char* home = std::getenv("HOME");
    const bool downloading = !args.empty() && (args[0] == "fetch" || args[0] == "check");
    if (!home || !downloading || std::find(args.begin(), args.end(), "--settings") != args.end())
        return args;
    const std::string file = std::string(home) + "/.FolioHarvester";
    if (FileExists(file))
        args.insert(args.begin() + 1, {"--settings", file});
    return args;
}

}  // namespace

// No terminal is given: the tests that need one run on Linux only.
CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& workDir, rlim_t, bool)
{
    std::wstring line = QuotedArgument(Wide(FH_BINARY_DIR "/folioharvester-cli.exe"));
    for (const std::string& arg : WithHomesSettings(args))
        line += L" " + QuotedArgument(Wide(arg));

    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherited, 0))
        return;
    if (!CreatePipe(&errRead, &errWrite, &inherited, 0)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return;
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION child{};
    const std::wstring dir = Wide(workDir);
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr,
                       dir.empty() ? nullptr : dir.c_str(), &startup, &child)) {
        CloseHandle(child.hThread);
        process = child.hProcess;
        pid = static_cast<pid_t>(child.dwProcessId);
    }
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    outFd = _open_osfhandle(reinterpret_cast<intptr_t>(outRead), _O_RDONLY | _O_BINARY);
    errFd = _open_osfhandle(reinterpret_cast<intptr_t>(errRead), _O_RDONLY | _O_BINARY);
}

CliProcess::~CliProcess()
{
    if (process && !reaped) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, INFINITE);
    }
    if (process)
        CloseHandle(process);
    if (outFd >= 0)
        _close(outFd);
    if (errFd >= 0)
        _close(errFd);
}

// Anonymous pipes cannot be waited on: they are looked at every few
// milliseconds. False when stdout has ended or nothing came in time.
bool CliProcess::ReadSome(int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[8192];
    for (;;) {
        const long errWaiting = Waiting(errFd);
        if (errWaiting > 0) {
            const int n = _read(errFd, buffer, sizeof buffer);
            if (n > 0)
                errors.append(buffer, static_cast<size_t>(n));
        }
        if (outFd < 0) {
            if (errWaiting < 0)
                return false;
        } else {
            const long outWaiting = Waiting(outFd);
            if (outWaiting < 0)
                return false;
            if (outWaiting > 0) {
                const int n = _read(outFd, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                partial.append(buffer, static_cast<size_t>(n));
                for (size_t at; (at = partial.find('\n')) != std::string::npos;) {
                    lines.push_back(partial.substr(0, at));
                    partial.erase(0, at + 1);
                }
                return true;
            }
        }
        if (errWaiting > 0)
            return true;
        if (MillisecondsUntil(deadline) == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

int CliProcess::Finish(int timeoutMs)
{
    if (!process)
        return -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    ReadUntil([](const Lines&) { return false; }, timeoutMs);
    if (WaitForSingleObject(process, static_cast<DWORD>(MillisecondsUntil(deadline))) != WAIT_OBJECT_0)
        return -1;
    reaped = true;
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(process, &memory, sizeof memory))
        peakRssKib = static_cast<long>(memory.PeakWorkingSetSize / 1024);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return static_cast<int>(code);
}

// A stop request reaches the child as Ctrl+Break, which its console
// handler takes like Ctrl+C; SIGKILL ends it at once.
void CliProcess::Signal(int signal) const
{
    if (!process || reaped)
        return;
    if (signal == killSignal)
        TerminateProcess(process, 1);
    else
        GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(pid));
}

void CliProcess::CloseOutput()
{
    if (outFd >= 0)
        _close(outFd);
    outFd = -1;
}
