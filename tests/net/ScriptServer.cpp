#include "ScriptServer.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>

std::string LoggedRequest::Header(const std::string& name) const
{
    for (const std::string& h : headers)
        if (h.size() > name.size() && h[name.size()] == ':' &&
            strncasecmp(h.c_str(), name.c_str(), name.size()) == 0)
            return h.substr(name.size() + 2);
    return "";
}

bool LoggedRequest::HasHeader(const std::string& name) const
{
    for (const std::string& h : headers)
        if (h.size() > name.size() && h[name.size()] == ':' &&
            strncasecmp(h.c_str(), name.c_str(), name.size()) == 0)
            return true;
    return false;
}

std::vector<LoggedRequest> ScriptServer::Requests() const
{
    std::vector<LoggedRequest> requests;
    std::ifstream in(logFile);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("REQUEST ", 0) == 0) {
            LoggedRequest r;
            std::istringstream fields(line.substr(8));
            fields >> r.connection >> r.proxied;
            requests.push_back(r);
        } else if (!requests.empty() && line.rfind("LINE ", 0) == 0) {
            requests.back().line = line.substr(5);
        } else if (!requests.empty() && line.rfind("H ", 0) == 0) {
            requests.back().headers.push_back(line.substr(2));
        }
    }
    return requests;
}

std::vector<int> ScriptServer::ClosedConnections() const
{
    std::vector<int> closed;
    std::ifstream in(logFile);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("CLOSED ", 0) == 0)
            closed.push_back(std::atoi(line.c_str() + 7));
    return closed;
}
