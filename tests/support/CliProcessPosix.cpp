#include "CliProcess.h"

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& workDir,
                       rlim_t fileSizeLimit, bool terminal)
{
    std::vector<std::string> all{FH_BINARY_DIR "/folioharvester-cli"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    int err[2];
    winsize size{};
    size.ws_col = 100;
    size.ws_row = 30;
    if (terminal ? openpty(&out[0], &out[1], nullptr, nullptr, &size) != 0 : pipe2(out, O_CLOEXEC) != 0)
        return;
    fcntl(out[0], F_SETFD, FD_CLOEXEC);
    fcntl(out[1], F_SETFD, FD_CLOEXEC);
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    // The child inherits the limit; ours is lowered only while it starts.
    rlimit ours{};
    getrlimit(RLIMIT_FSIZE, &ours);
    if (fileSizeLimit != RLIM_INFINITY) {
        const rlimit child{fileSizeLimit, ours.rlim_max};
        setrlimit(RLIMIT_FSIZE, &child);
    }
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    if (fileSizeLimit != RLIM_INFINITY)
        setrlimit(RLIMIT_FSIZE, &ours);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    outFd = out[0];
    errFd = err[0];
}

CliProcess::~CliProcess()
{
    if (pid > 0 && !reaped) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (outFd >= 0)
        close(outFd);
    if (errFd >= 0)
        close(errFd);
}

// One poll of both pipes; false when stdout has ended or nothing came in time.
bool CliProcess::ReadSome(int timeoutMs)
{
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0)
        return false;
    char buffer[8192];
    bool errorsEnded = false;
    if (fds[1].revents) {
        const ssize_t n = read(errFd, buffer, sizeof buffer);
        if (n > 0)
            errors.append(buffer, static_cast<size_t>(n));
        errorsEnded = n <= 0;
    }
    if (outFd < 0)
        return !errorsEnded;
    if (fds[0].revents) {
        const ssize_t n = read(outFd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        partial.append(buffer, static_cast<size_t>(n));
        for (size_t at; (at = partial.find('\n')) != std::string::npos;) {
            lines.push_back(partial.substr(0, at));
            partial.erase(0, at + 1);
        }
    }
    return true;
}

int CliProcess::Finish(int timeoutMs)
{
    if (pid <= 0)
        return -1;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    ReadUntil([](const Lines&) { return false; }, timeoutMs);
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (done < 0 || MillisecondsUntil(deadline) == 0)
            return -1;
        usleep(10000);
    }
    reaped = true;
    peakRssKib = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void CliProcess::Signal(int signal) const
{
    if (pid > 0 && !reaped)
        kill(pid, signal);
}

void CliProcess::CloseOutput()
{
    if (outFd >= 0)
        close(outFd);
    outFd = -1;
}
