#include "cli/SignalWatcher.h"

#include <mutex>

#include <windows.h>

namespace {

// The console calls its handlers on a thread of its own, with no context:
// the one watcher of the process is found here.
std::mutex current;
std::function<void()>* onStopNow = nullptr;
HANDLE watcherGone = nullptr;  // set once the run has stopped its jobs

BOOL WINAPI Handle(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    {
        const std::lock_guard<std::mutex> lock(current);
        if (!onStopNow)
            return FALSE;
        (*onStopNow)();
    }
    // A closing console ends the process as soon as this returns: the run
    // gets the few seconds Windows allows to stop its jobs and remove their
    // partial files.
    if (event == CTRL_CLOSE_EVENT)
        WaitForSingleObject(watcherGone, 4500);
    return TRUE;
}

}  // namespace

struct SignalWatcher::Watch
{
    std::function<void()> onStop;
};

SignalWatcher::SignalWatcher(std::function<void()> onStop) : watch(std::make_unique<Watch>())
{
    watch->onStop = std::move(onStop);
    {
        const std::lock_guard<std::mutex> lock(current);
        onStopNow = &watch->onStop;
        if (!watcherGone)
            watcherGone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ResetEvent(watcherGone);
    }
    SetConsoleCtrlHandler(Handle, TRUE);
}

SignalWatcher::~SignalWatcher()
{
    SetConsoleCtrlHandler(Handle, FALSE);
    const std::lock_guard<std::mutex> lock(current);
    onStopNow = nullptr;
    SetEvent(watcherGone);
}
