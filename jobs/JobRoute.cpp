#include "jobs/JobRoute.h"

#include "jobs/epsJob.h"
#include "jobs/opsJob.h"
#include "jobs/pct.h"
#include "jobs/ppubsJob.h"
#include "jobs/SearchableDownload.h"
#include "jobs/uspto.h"
#include "numbers/Classification.h"
#include "services/eps/EpsContext.h"
#include "services/eps/EpsNumber.h"
#include "services/ops/OpsContext.h"
#include "services/ppubs/PpubsContext.h"
#include "settings/FetchSettings.h"

namespace {

std::unique_ptr<pat2pdf> MakeRoutesJob(const Classification& entry, int row, wxEvtHandler* sink,
                                       const FetchSettings& settings, OpsContext* ops, EpsContext* eps,
                                       PpubsContext* ppubs)
{
    const bool usDocument = entry.kind == Classification::us;
    const ServiceSettings& services = settings.services;
    ServiceSettings::Route route = usDocument ? services.us : services.other;
    if (!usDocument && EpsNumber::FromEntry(entry.number))
        route = services.EpRoute();
    if (route == ServiceSettings::Route::eps)
        return std::make_unique<epsJob>(entry, row, sink, settings.network, services, eps);
    // Patent Public Search holds US documents only.
    if (!usDocument && route == ServiceSettings::Route::ppubs)
        route = ServiceSettings::Route::ops;
    if (route == ServiceSettings::Route::ops)
        return std::make_unique<opsJob>(entry, row, sink, settings.network, services, ops);
    if (route == ServiceSettings::Route::ppubs)
        return std::make_unique<ppubsJob>(entry, row, sink, settings.network, services, ppubs);
    if (usDocument)
        return std::make_unique<uspto>(entry.typed, row, sink, settings.hosts, settings.network);
    return std::make_unique<pct>(entry.typed, row, sink, settings.hosts, settings.network);
}

}  // namespace

std::unique_ptr<pat2pdf> MakeJob(const Classification& entry, int row, wxEvtHandler* sink,
                                 const FetchSettings& settings, OpsContext* ops, EpsContext* eps,
                                 PpubsContext* ppubs)
{
    if (!entry.Valid())
        return nullptr;
    std::unique_ptr<pat2pdf> job = MakeRoutesJob(entry, row, sink, settings, ops, eps, ppubs);
    if (settings.ocr)
        job->SetOcrOffice(SearchableDownload::OfficeOf(entry));
    return job;
}

std::shared_ptr<OpsContext> NewOpsContext()
{
    return std::make_shared<OpsContext>();
}

std::shared_ptr<EpsContext> NewEpsContext()
{
    return std::make_shared<EpsContext>();
}

std::shared_ptr<PpubsContext> NewPpubsContext()
{
    return std::make_shared<PpubsContext>();
}
