#pragma once

#include "jobs/pat2pdf.h"
#include "settings/ServiceSettings.h"
#include "numbers/Classification.h"

#include <string>

class EpsClient;
class EpsContext;

// Fetches one EP document from the EPO's European Publication Server into
// the working directory, kept as the office serves it: the typed kind, else
// the granted text when there is one, else the application. Every job of
// the run sends one request at a time, and none once the server has blocked
// the address (EpsContext).
class epsJob : public pat2pdf
{
public:
    // `entry` and the settings are copied; `context`, which every
    // publication-server job of the run shares, outlives the job.
    epsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
           const ServiceSettings& services, EpsContext* context);

    static constexpr const char* waitingStatus = "Waiting for another EPO publication server download";

protected:
    ExitCode Entry() override;

private:
    // After a failed step of `client`: true, once the countdown is over, when
    // the shared retry decision tries it again; else false with the job's
    // last status posted.
    bool TryAgain(const EpsClient& client, RetryDecision& retry);
    bool Keep(const std::string& pdf);

    const Classification entry;
    const ServiceSettings services;  // caFile, epsUrl
    EpsContext* const context;
};
