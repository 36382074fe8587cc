#include "ScriptServer.h"

#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadPortLine(int fd)
{
    std::string text;
    const int timeoutMs = 10000;
    pollfd p{fd, POLLIN, 0};
    while (text.find('\n') == std::string::npos) {
        if (poll(&p, 1, timeoutMs) <= 0)
            break;
        char c[64];
        const ssize_t n = read(fd, c, sizeof c);
        if (n <= 0)
            break;
        text.append(c, size_t(n));
    }
    return text;
}

}  // namespace

ScriptServer::ScriptServer()
{
    char tmpl[] = "/tmp/fh-net-log-XXXXXX";
    const int fd = mkstemp(tmpl);
    if (fd < 0)
        throw std::runtime_error("mkstemp failed");
    close(fd);
    logFile = tmpl;

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    const std::string script = std::string(FH_SOURCE_DIR) + "/tests/net/script_server.py";
    pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        execlp("python3", "python3", script.c_str(), logFile.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild = in[1];
    const std::string line = ReadPortLine(out[0]);
    close(out[0]);
    if (line.rfind("PORT ", 0) == 0)
        port = std::atoi(line.c_str() + 5);
    if (port <= 0)
        throw std::runtime_error("script server did not start");
}

ScriptServer::~ScriptServer()
{
    if (toChild >= 0)
        close(toChild);
    if (pid > 0) {
        // Closing its stdin ends the server; give it a moment, then insist.
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                break;
            }
            usleep(100 * 1000);
        }
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    unlink(logFile.c_str());
}
