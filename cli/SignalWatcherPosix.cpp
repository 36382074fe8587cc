#include "cli/SignalWatcher.h"

#include <thread>

#include <pthread.h>
#include <signal.h>

// SIGUSR1 only ends the watcher.
struct SignalWatcher::Watch
{
    sigset_t signals;
    std::thread watcher;
};

SignalWatcher::SignalWatcher(std::function<void()> onStop) : watch(std::make_unique<Watch>())
{
    sigset_t& signals = watch->signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    watch->watcher = std::thread([&signals, onStop] {
        int received = 0;
        while (sigwait(&signals, &received) == 0 && received != SIGUSR1)
            onStop();
    });
}

SignalWatcher::~SignalWatcher()
{
    pthread_kill(watch->watcher.native_handle(), SIGUSR1);
    watch->watcher.join();
}
