#pragma once

#include <functional>
#include <memory>

// Calls `onStop`, on a thread of its own, each time the user or the system
// asks the program to stop: SIGINT, SIGTERM or SIGHUP (blocked in every
// thread started after the watcher), on Windows Ctrl+C, Ctrl+Break or the
// console closing. Stops watching when destroyed.
class SignalWatcher
{
public:
    explicit SignalWatcher(std::function<void()> onStop);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    struct Watch;
    std::unique_ptr<Watch> watch;
};
