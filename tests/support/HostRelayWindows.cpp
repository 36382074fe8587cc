#include "HostRelay.h"

#include "Winsock.h"

#include <cstdlib>
#include <cstring>

namespace {

const DWORD timeoutMs = 10000;

// A connection to 127.0.0.1:`port`, or INVALID_SOCKET.
SOCKET Connected(int port)
{
    StartWinsock();
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return s;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}

bool SendAll(SOCKET s, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

uintptr_t HostRelay::Start(const std::string& request)
{
    const char* address = std::getenv("FH_HOST_RELAY");
    const char* colon = address ? std::strrchr(address, ':') : nullptr;
    const SOCKET s = colon ? Connected(std::atoi(colon + 1)) : INVALID_SOCKET;
    if (s == INVALID_SOCKET)
        return none;
    if (SendAll(s, request + "\n"))
        return s;
    closesocket(s);
    return none;
}

long HostRelay::Read(uintptr_t connection, char* buffer, size_t size, int timeoutMs)
{
    const SOCKET s = static_cast<SOCKET>(connection);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
        return 0;
    return recv(s, buffer, static_cast<int>(size), 0);
}

void HostRelay::Stop(uintptr_t connection)
{
    if (connection == none)
        return;
    shutdown(static_cast<SOCKET>(connection), SD_BOTH);
    closesocket(static_cast<SOCKET>(connection));
}

bool HostRelay::Exchange(int port, const std::string& request, std::string& answer)
{
    const SOCKET s = Connected(port);
    if (s == INVALID_SOCKET)
        return false;
    bool ok = SendAll(s, request);
    char buffer[16384];
    for (int n; ok && (n = recv(s, buffer, sizeof buffer, 0)) != 0;) {
        ok = n > 0;
        if (ok)
            answer.append(buffer, static_cast<size_t>(n));
    }
    closesocket(s);
    return ok;
}

int HostRelay::Run(const std::string& command)
{
    const uintptr_t connection = Start("sh " + std::to_string(command.size()));
    if (connection != none && !SendAll(static_cast<SOCKET>(connection), command)) {
        Stop(connection);
        return -1;
    }
    std::string answer;
    char buffer[64];
    for (long n; answer.find('\n') == std::string::npos && (n = Read(connection, buffer, sizeof buffer, 600000)) > 0;)
        answer.append(buffer, static_cast<size_t>(n));
    Stop(connection);
    return answer.rfind("EXIT ", 0) == 0 ? std::atoi(answer.c_str() + 5) : -1;
}
