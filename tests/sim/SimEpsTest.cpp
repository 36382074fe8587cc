// The simulator's EPO publication server serves text PDFs (its other answers
// are what the client's tests read).
#include "OfficeSim.h"
#include "SimClient.h"
#include "SimTest.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const std::string patents = "/publication-server/rest/v1.2/patents/";

std::string Output(const std::string& command, int* status)
{
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    *status = pclose(pipe);
    return out;
}

class SimEps : public SimTest
{
};

TEST_F(SimEps, DocumentsAreTextPdfsCarryingTheirIdAndPageNumbers)
{
    SimClient tls;
    tls.UseTls(sim->CaFile());
    for (const auto& [id, pages] : {std::make_pair("EP2219563NWB1", 4), std::make_pair("EP0729353NWA1", 2)}) {
        SCOPED_TRACE(id);
        const SimClient::Answer a = tls.Get(sim->Host("epsTls"), patents + id + "/document.pdf");
        ASSERT_EQ(200, a.status);
        EXPECT_EQ("application/pdf", a.Header("Content-Type"));
        const std::string file = home.Path() + "/" + id + ".pdf";
        WriteFile(file, a.body);
        int status = -1;
        const std::string check = Output("qpdf --check '" + file + "'", &status);
        EXPECT_EQ(0, status) << check;
        const std::string text = Output("pdftotext -layout '" + file + "' -", &status);
        EXPECT_EQ(0, status) << text;
        for (int page = 1; page <= pages; ++page) {
            const std::string heading = std::string(id) + "\nPage " + std::to_string(page) + " of " +
                                        std::to_string(pages);
            EXPECT_NE(text.find(heading), std::string::npos) << text;
        }
    }
}

}  // namespace
