#pragma once

#include "jobs/pat2pdf.h"
#include "numbers/Classification.h"
#include "settings/ServiceSettings.h"

#include <cstddef>

class OpsClient;
class OpsContext;
struct OpsInstance;

// Fetches one document through EPO Open Patent Services 3.2 into a PDF in
// the working directory: the image inquiry, then the pages of the chosen
// image set, through an OpsClient that spaces and holds every request as the
// service asks.
class opsJob : public pat2pdf
{
public:
    // `entry` and the settings are copied; `context`, the state every OPS job
    // of the run shares, belongs to the window or the command-line run and
    // outlives the job.
    opsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
           const ServiceSettings& services, OpsContext* context);

    static constexpr const char* keyNeededStatus = "EPO OPS key needed: File > Setup > Services";
    // A page or an inquiry easily fits; the cap only stops a runaway answer.
    static constexpr size_t bodyCap = 64u * 1024 * 1024;

protected:
    ExitCode Entry() override;

private:
    // The status for an entry that has no OPS form.
    wxString NoOpsFormStatus() const;
    bool FetchPages(OpsClient& client, const OpsInstance& instance, const wxString& path);
    // Shows the client's failure unless the job was stopped.
    void PostFailure(const OpsClient& client);

    const Classification entry;      // kind, typed number, file
    const ServiceSettings services;  // caFile, opsUrl, opsKey, opsSecret
    OpsContext* const context;
    wxString busyStatus;  // shown again after a wait or a countdown
};
