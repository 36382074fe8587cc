#pragma once

#include "jobs/pat2pdf.h"
#include "net/ServiceSettings.h"
#include "numbers/Classification.h"

class OpsContext;

// Fetches one document through EPO Open Patent Services 3.2 into a PDF in
// the working directory.
class opsJob : public pat2pdf
{
public:
    // `entry` and the settings are copied; `context`, the state every OPS job
    // of the run shares, belongs to the window or the command-line run and
    // outlives the job.
    opsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
           const ServiceSettings& services, OpsContext* context);
    ~opsJob() override;

protected:
    ExitCode Entry() override;

private:
    const Classification entry;  // kind, typed number, file; `number` is entry.typed
    const ServiceSettings services;  // caFile, opsUrl, opsKey, opsSecret
    OpsContext* const context;
};
