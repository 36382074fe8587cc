#include "SimFixture.h"

#include "jobs/pat2pdf.h"
#include "net/HttpsClient.h"
#include "pdf/TiffPage.h"

#include <nlohmann/json.hpp>
#include <wx/base64.h>
#include <wx/mstream.h>

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

// The fax data of a one-strip TIFF page, as the writer must pass it on.
std::string StripOf(const std::string& tiff)
{
    wxMemoryInputStream in(tiff.data(), tiff.size());
    TiffPage page(in);
    wxMemoryOutputStream out;
    page.WriteStrips(out);
    EXPECT_TRUE(page.IsOk()) << page.GetError();
    std::string strip(out.GetLength(), '\0');
    out.CopyTo(strip.data(), strip.size());
    return strip;
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

std::vector<wxString> SimFixture::Run(std::unique_ptr<wxThread> job, int timeoutMs)
{
    EXPECT_TRUE(RunToEnd(std::move(job), events, timeoutMs)) << "job did not end in time";
    return events.Statuses();
}

std::vector<std::string> SimFixture::ServedPpubsImages(const std::string& n)
{
    sim->Faults("[]");
    HttpsClient client(NetworkSettings(), sim->CaFile());
    const HttpAnswer answer = client.Get(sim->PpubsUrl(true, true) + "/dirsearch-public/print/downloadPdf/" + n);
    EXPECT_EQ(answer.status, 200u) << n;
    const std::string file = home.Dir("served") + "/" + n + ".pdf";
    WriteFile(file, answer.body);
    return ReadPdf(file, home.Dir("served-json-" + n)).images;
}

std::string SimFixture::ServedOpsStrip(const std::string& link, int page)
{
    HttpsClient client(NetworkSettings(), sim->CaFile());
    const std::string credentials = std::string(OfficeSim::opsKey) + ":" + OfficeSim::opsSecret;
    const HttpAnswer token =
        client.Post(sim->OpsUrl() + "/auth/accesstoken", "grant_type=client_credentials",
                    {"Authorization: Basic " + wxBase64Encode(credentials.data(), credentials.size())});
    const std::string access = nlohmann::json::parse(token.body, nullptr, false).value("access_token", "");
    const std::string path = "/3.2/rest-services/" + link + ".tiff?Range=" + std::to_string(page);
    const HttpAnswer answer =
        client.Get("http://" + sim->Host("ops32") + path, {wxString("Authorization: Bearer ") + access});
    EXPECT_EQ(answer.status, 200u) << link << " " << page;
    return StripOf(answer.body);
}
