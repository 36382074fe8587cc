#include "jobs/JobRoute.h"

#include "jobs/opsJob.h"
#include "jobs/pct.h"
#include "jobs/ppubsJob.h"
#include "jobs/uspto.h"
#include "net/FetchSettings.h"
#include "numbers/Classification.h"
#include "services/ops/OpsContext.h"
#include "services/ppubs/PpubsContext.h"

pat2pdf* MakeJob(const Classification& entry, int row, wxEvtHandler* sink,
                 const FetchSettings& settings, OpsContext* ops, PpubsContext* ppubs)
{
    if (!entry.Valid())
        return nullptr;
    const bool usDocument = entry.kind == Classification::us;
    const ServiceSettings& services = settings.services;
    ServiceSettings::Route route = usDocument ? services.us : services.other;
    // Patent Public Search holds US documents only.
    if (!usDocument && route == ServiceSettings::Route::ppubs)
        route = ServiceSettings::Route::ops;
    if (route == ServiceSettings::Route::ops)
        return new opsJob(entry, row, sink, settings.network, services, ops);
    if (route == ServiceSettings::Route::ppubs)
        return new ppubsJob(entry, row, sink, settings.network, services, ppubs);
    if (usDocument)
        return new uspto(entry.typed, row, sink, settings.hosts, settings.network);
    return new pct(entry.typed, row, sink, settings.hosts, settings.network);
}

std::shared_ptr<OpsContext> NewOpsContext()
{
    return std::make_shared<OpsContext>();
}

std::shared_ptr<PpubsContext> NewPpubsContext()
{
    return std::make_shared<PpubsContext>();
}
