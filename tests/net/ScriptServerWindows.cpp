#include "ScriptServer.h"

#include "HostRelay.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

ScriptServer::ScriptServer()
{
    std::random_device random;
    const auto log = std::filesystem::temp_directory_path() / ("fh-net-log-" + std::to_string(random()));
    logFile = log.string();
    std::ofstream(log).close();

    relay = HostRelay::Start("script-server " + logFile);
    std::string line;
    char c[64];
    for (long n; line.find('\n') == std::string::npos &&
                 (n = HostRelay::Read(relay, c, sizeof c, 10000)) > 0;)
        line.append(c, static_cast<size_t>(n));
    if (line.rfind("PORT ", 0) == 0)
        port = std::atoi(line.c_str() + 5);
    if (port <= 0) {
        HostRelay::Stop(relay);
        throw std::runtime_error("script server did not start (through FH_HOST_RELAY)");
    }
}

ScriptServer::~ScriptServer()
{
    HostRelay::Stop(relay);
    std::error_code ignored;
    std::filesystem::remove(logFile, ignored);
}
