#include "OfficeSim.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int startTimeoutMs = 10000;
const int controlTimeoutSeconds = 10;

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Waits for the child for at most `ms`; true when it has been reaped.
bool ReapWithin(pid_t pid, int ms)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

class Socket
{
public:
    Socket() : fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~Socket()
    {
        if (fd >= 0)
            close(fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool Connect(int port, int timeoutSeconds)
    {
        if (fd < 0)
            return false;
        timeval tv{timeoutSeconds, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }

    bool SendAll(const std::string& bytes)
    {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    // Everything up to the end of the stream; false on a timeout or error.
    bool ReadAll(std::string& out)
    {
        char buffer[16384];
        for (;;) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n == 0)
                return true;
            if (n < 0)
                return false;
            out.append(buffer, static_cast<size_t>(n));
        }
    }

private:
    int fd;
};

}  // namespace

OfficeSim::OfficeSim(const std::string& extraArgs)
{
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    std::string command = "exec " + ShellQuote(FH_OFFICE_SIM) +
                          " --quiet --exit-on-stdin-eof " + extraArgs;
    pid = fork();
    if (pid == 0) {
        // dup2 clears close-on-exec on the copies, so only these two survive exec.
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild = in[1];
    fromChild = out[0];
    if (pid < 0 || !ReadServiceLines(startTimeoutMs)) {
        ADD_FAILURE() << "office-sim did not start: " << command;
        Stop();
    }
}

long OfficeSim::ReadFromChild(char* buffer, size_t size, int timeoutMs)
{
    pollfd p{fromChild, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return 0;
    return static_cast<long>(read(fromChild, buffer, size));
}

void OfficeSim::Stop()
{
    if (toChild >= 0)
        close(toChild);
    toChild = -1;
    if (pid > 0) {
        kill(pid, SIGTERM);
        if (!ReapWithin(pid, 3000)) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    pid = -1;
    if (fromChild >= 0)
        close(fromChild);
    fromChild = -1;
    hosts.clear();
    urls.clear();
    caFile.clear();
}

bool OfficeSim::Exchange(int port, const std::string& request, std::string& answer)
{
    Socket socket;
    return socket.Connect(port, controlTimeoutSeconds) && socket.SendAll(request) && socket.ReadAll(answer);
}

bool OfficeSim::WriteOwnerOnly(const std::string& path, const std::string& text)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && fchmod(fd, 0600) == 0 && write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (fd >= 0)
        close(fd);
    return written;
}
