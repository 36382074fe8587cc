#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sys/types.h>

// One request as the scripted server saw it on the wire.
struct LoggedRequest
{
    int connection = 0;
    bool proxied = false;  // sent in absolute form, as to a proxy
    std::string line;
    std::vector<std::string> headers;  // "Name: value", in wire order

    // The value of the first header of that name (case-insensitive), or "".
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

// tests/net/script_server.py as a child process on a free loopback port;
// stopped when this object goes.
class ScriptServer
{
public:
    ScriptServer();
    ~ScriptServer();
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

    int Port() const { return port; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port); }
    std::vector<LoggedRequest> Requests() const;
    std::vector<int> ClosedConnections() const;

private:
#ifdef _WIN32
    // The test runner starts the server on the build machine's side (see
    // tests/support/host-relay); closing this connection ends it.
    uintptr_t relay = ~uintptr_t(0);
#else
    pid_t pid = -1;
    int toChild = -1;
#endif
    int port = 0;
    std::string logFile;
};

