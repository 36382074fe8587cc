#include "SimFixture.h"

#include "jobs/pat2pdf.h"

#include <fstream>
#include <regex>
#include <stdexcept>

namespace {

const char jsonString[] = "\"((?:[^\"\\\\]|\\\\.)*)\"";

std::string JsonField(const std::string& line, const std::string& name)
{
    const std::regex field("\"" + name + "\": " + jsonString);
    std::smatch match;
    return std::regex_search(line, match, field) ? match[1].str() : std::string();
}

double JsonNumber(const std::string& line, const std::string& name)
{
    const std::regex field("\"" + name + "\": (-?[0-9.]+)");
    std::smatch match;
    return std::regex_search(line, match, field) ? std::stod(match[1].str()) : 0;
}

}  // namespace

SimFixture::SimFixture()
{
    logFile = home.Path() + "/sim-log.jsonl";
    sim = std::make_unique<OfficeSim>("--log " + logFile);
    if (!sim->Running())
        throw std::runtime_error("office simulator did not start");
    sim->WriteSettings(home.SettingsFile());
}

std::vector<SimRequest> SimFixture::Requests() const
{
    std::vector<SimRequest> requests;
    std::ifstream in(logFile);
    const std::regex pair(std::string("\\[") + jsonString + ", " + jsonString + "\\]");
    for (std::string line; std::getline(in, line);) {
        SimRequest request{JsonField(line, "service"), JsonField(line, "path"), {},
                           JsonNumber(line, "time"), static_cast<int>(JsonNumber(line, "status")),
                           line.find("\"held\": true") != std::string::npos};
        size_t at = line.find("\"headers\": [");
        if (at != std::string::npos) {
            std::string rest = line.substr(at);
            rest = rest.substr(0, rest.find("]]") + 2);
            for (std::sregex_iterator it(rest.begin(), rest.end(), pair), end; it != end; ++it)
                request.headers.emplace_back((*it)[1].str(), (*it)[2].str());
        }
        requests.push_back(request);
    }
    return requests;
}

std::vector<SimRequest> SimFixture::RequestsMatching(const std::string& pathFragment) const
{
    std::vector<SimRequest> matching;
    for (const SimRequest& request : Requests())
        if (request.path.find(pathFragment) != std::string::npos)
            matching.push_back(request);
    return matching;
}

void SimFixture::ClearLog() const
{
    std::ofstream truncate(logFile, std::ios::trunc);
}

std::vector<wxString> SimFixture::Run(wxThread* job, int timeoutMs)
{
    EXPECT_TRUE(RunToEnd(job, events, timeoutMs)) << "job did not end in time";
    return events.Statuses();
}
