#include "OfficeSim.h"

#include "net/NetworkSettings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

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

std::string Trimmed(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t\r");
    size_t end = text.find_last_not_of(" \t\r");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

using Group = std::pair<std::string, std::vector<std::pair<std::string, std::string>>>;

bool HasKey(const Group& group, const std::string& key)
{
    for (const auto& kv : group.second)
        if (kv.first == key)
            return true;
    return false;
}

void AppendKeys(std::vector<std::string>& out, const Group& group)
{
    for (const auto& [key, value] : group.second)
        out.push_back(key + "=" + value);
}

// The lines with each group's keys set, every other line kept; a group the
// lines lack is added at their end.
std::vector<std::string> WithGroups(const std::vector<std::string>& lines,
                                    const std::vector<Group>& groups)
{
    std::vector<std::string> out;
    std::vector<bool> written(groups.size(), false);
    const Group* current = nullptr;
    auto finish = [&] {
        if (!current)
            return;
        size_t index = static_cast<size_t>(current - groups.data());
        if (!written[index])
            AppendKeys(out, *current);
        written[index] = true;
    };
    for (const auto& line : lines) {
        std::string trimmed = Trimmed(line);
        if (!trimmed.empty() && trimmed[0] == '[') {
            finish();
            current = nullptr;
            for (const auto& group : groups)
                if (trimmed == "[" + group.first + "]")
                    current = &group;
        } else if (current && HasKey(*current, Trimmed(trimmed.substr(0, trimmed.find('='))))) {
            continue;
        }
        out.push_back(line);
    }
    finish();
    for (size_t i = 0; i < groups.size(); ++i) {
        if (written[i])
            continue;
        out.push_back("[" + groups[i].first + "]");
        AppendKeys(out, groups[i]);
    }
    return out;
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

OfficeSim::~OfficeSim()
{
    Stop();
}

bool OfficeSim::ReadServiceLines(int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string pending;
    std::map<std::string, std::string> found;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        pollfd p{fromChild, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        char buffer[4096];
        ssize_t n = read(fromChild, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<size_t>(n));
        size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (line == "ready") {
                hosts = found;
                return !hosts.empty();
            }
            std::istringstream words(line);
            std::string name, value;
            if (!(words >> name >> value))
                continue;
            if (name == "caFile")
                caFile = value;
            else if (value.find("://") != std::string::npos)
                urls[name] = value;
            else
                found[name] = value;
        }
    }
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

std::string OfficeSim::Host(const std::string& service) const
{
    auto it = hosts.find(service);
    if (it != hosts.end())
        return it->second;
    auto url = urls.find(service);
    if (url == urls.end())
        return std::string();
    size_t begin = url->second.find("://") + 3;
    return url->second.substr(begin, url->second.find('/', begin) - begin);
}

std::string OfficeSim::OpsUrl(bool tls) const
{
    auto it = urls.find(tls ? "ops32tls" : "ops32");
    return it == urls.end() ? std::string() : it->second;
}

std::string OfficeSim::PpubsUrl(bool images, bool tls) const
{
    auto it = urls.find(std::string(images ? "ppubsImages" : "ppubs") + (tls ? "Tls" : ""));
    return it == urls.end() ? std::string() : it->second;
}

std::string OfficeSim::EpsUrl(bool tls) const
{
    auto it = urls.find(tls ? "epsTls" : "eps");
    return it == urls.end() ? std::string() : it->second;
}

int OfficeSim::Port(const std::string& service) const
{
    std::string host = Host(service);
    size_t colon = host.rfind(':');
    return colon == std::string::npos ? 0 : std::atoi(host.c_str() + colon + 1);
}

void OfficeSim::WriteSettings(const std::string& settingsFile, Routes routes,
                              const std::string& opsUrl) const
{
    // wxFileConfig would need a wxApp, which unit tests do not have: the
    // groups are rewritten here, every other line is kept.
    std::vector<std::string> lines;
    {
        std::ifstream in(settingsFile);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
    }
    const std::string other = routes == Routes::classic ? "classic" : "ops";
    const std::string us = routes == Routes::defaults ? "ppubs" : other;
    std::string url = opsUrl.empty() ? OpsUrl(!CaFile().empty()) : opsUrl;
    // The demo secret has no character that the file format would escape.
    wxString secret = opsSecret;
    ScramblePassword(secret);
    std::vector<Group> groups = {
        {"hosts", {hosts.begin(), hosts.end()}},
        {"services", {{"us", us}, {"other", other}, {"caFile", caFile}}},
        {"ops", {{"url", url}, {"consumerKey", opsKey}, {"consumerSecret", secret.ToStdString()}}},
        {"ppubs", {{"url", PpubsUrl(false, !caFile.empty())}, {"imageUrl", PpubsUrl(true, !caFile.empty())}}},
        {"eps", {{"url", EpsUrl(!caFile.empty())}}},
    };
    std::vector<std::string> out = WithGroups(lines, groups);
    // The settings file holds a proxy password.
    int fd = open(settingsFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::string text;
    for (const auto& line : out)
        text += line + "\n";
    if (fd < 0 || fchmod(fd, 0600) != 0 || write(fd, text.data(), text.size()) != ssize_t(text.size()))
        ADD_FAILURE() << "cannot write settings file " << settingsFile;
    if (fd >= 0)
        close(fd);
}

std::string OfficeSim::Control(const std::string& method, const std::string& path,
                               const std::string& body) const
{
    // Taking the maker's listener down or up is asked of another one.
    bool aboutMaker = body.find("\"maker\"") != std::string::npos;
    int port = Port(aboutMaker ? "ops" : "maker");
    Socket socket;
    std::string answer;
    std::string request = method + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n"
                          "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (port == 0 || !socket.Connect(port, controlTimeoutSeconds) || !socket.SendAll(request) ||
        !socket.ReadAll(answer)) {
        ADD_FAILURE() << "office-sim control request failed: " << method << " " << path;
        return std::string();
    }
    size_t headEnd = answer.find("\r\n\r\n");
    std::string statusLine = answer.substr(0, answer.find("\r\n"));
    std::string content = headEnd == std::string::npos ? std::string() : answer.substr(headEnd + 4);
    if (statusLine.find(" 200 ") == std::string::npos)
        ADD_FAILURE() << "office-sim control " << method << " " << path << ": " << statusLine
                      << " " << content;
    return content;
}
