#pragma once

#include "JobHarness.h"
#include "OfficeSim.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// One logged request of the simulator.
struct SimRequest
{
    std::string service;
    std::string path;
    std::vector<std::pair<std::string, std::string>> headers;
    double time = 0;  // seconds since the simulator started, when the request came
    int status = 0;   // the status answered, 0 when none was
    bool held = false;  // a Patent Public Search call of a kind held after a 429
};

// A temporary home whose settings point every host at a fresh simulator,
// which logs its requests to a file the test reads.
class SimFixture : public ::testing::Test
{
protected:
    SimFixture();

    std::vector<SimRequest> Requests() const;
    std::vector<SimRequest> RequestsMatching(const std::string& pathFragment) const;
    void ClearLog() const;
    // As the program names it: with the platform's separator.
    std::string InCwd(const std::string& name) const { return (std::filesystem::path(home.Path()) / name).string(); }
    // Runs the job to its end and returns the statuses it posted.
    std::vector<wxString> Run(std::unique_ptr<wxThread> job, int timeoutMs = 60000);
    // The fax streams of the PDF the simulated Patent Public Search serves
    // directly for `n`, one per page; the fault rules are cleared first.
    std::vector<std::string> ServedPpubsImages(const std::string& n);
    // The fax data of page `page` of the OPS 3.2 image `link`, as the
    // simulator serves it, asked with a token of its own.
    std::string ServedOpsStrip(const std::string& link, int page);

    TempHome home;
    std::string logFile;
    std::unique_ptr<OfficeSim> sim;
    EventCollector events;
};
