#include "jobs/opsJob.h"

#include "jobs/JobRoute.h"

opsJob::opsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
               const ServiceSettings& services, OpsContext* context)
    : pat2pdf(row, sink, network), entry(entry), services(services), context(context)
{
    number = entry.typed;
}

opsJob::~opsJob() = default;

wxThread::ExitCode opsJob::Entry()
{
    PostStatus("EPO OPS route not built yet");
    return 0;
}

std::shared_ptr<OpsContext> NewOpsContext()
{
    // The route keeps no shared state yet.
    return nullptr;
}
