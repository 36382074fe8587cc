#include "OfficeSim.h"

#include "settings/NetworkSettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace {

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

}  // namespace

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
        char buffer[4096];
        const long n = left <= 0 ? 0 : ReadFromChild(buffer, sizeof buffer, static_cast<int>(left));
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
    const bool defaults = routes == Routes::defaults || routes == Routes::firstRun;
    const std::string us = defaults ? "ppubs" : other;
    const bool withKey = routes != Routes::firstRun;
    std::string url = opsUrl.empty() ? OpsUrl(!CaFile().empty()) : opsUrl;
    // The demo secret has no character that the file format would escape.
    wxString secret = opsSecret;
    ScramblePassword(secret);
    std::vector<Group> groups = {
        {"hosts", {hosts.begin(), hosts.end()}},
        {"services",
         {{"us", us}, {"ep", routes == Routes::ops ? "ops" : "auto"}, {"other", other}, {"caFile", caFile}}},
        {"ops", {{"url", url}, {"consumerKey", withKey ? opsKey : ""},
                 {"consumerSecret", withKey ? secret.ToStdString() : ""}}},
        {"ppubs", {{"url", PpubsUrl(false, !caFile.empty())}, {"imageUrl", PpubsUrl(true, !caFile.empty())}}},
        {"eps", {{"url", EpsUrl(!caFile.empty())}}},
    };
    std::vector<std::string> out = WithGroups(lines, groups);
    std::string text;
    for (const auto& line : out)
        text += line + "\n";
    // The settings file holds a proxy password.
    if (!WriteOwnerOnly(settingsFile, text))
        ADD_FAILURE() << "cannot write settings file " << settingsFile;
}

std::string OfficeSim::Control(const std::string& method, const std::string& path,
                               const std::string& body) const
{
    // Taking the maker's listener down or up is asked of another one.
    bool aboutMaker = body.find("\"maker\"") != std::string::npos;
    int port = Port(aboutMaker ? "ops" : "maker");
    std::string answer;
    std::string request = method + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n"
                          "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    if (port == 0 || !Exchange(port, request, answer)) {
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
