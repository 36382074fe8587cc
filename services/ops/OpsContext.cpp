#include "services/ops/OpsContext.h"

OpsContext::OpsContext(OpsClock clock, OpsPacer::Sleep sleep)
    : token(clock)
    , images(defaultImagesPerMinute, clock, sleep)
    , retrieval(defaultRetrievalPerMinute, clock, sleep)
{
}

void OpsContext::Observe(const wxString& throttlingHeader)
{
    const std::optional<OpsThrottling> throttling = OpsThrottling::Parse(throttlingHeader);
    if (!throttling)
        return;
    if (const auto service = throttling->Find("images"))
        images.SetRate(service->requestsPerMinute);
    if (const auto service = throttling->Find("retrieval"))
        retrieval.SetRate(service->requestsPerMinute);
    std::lock_guard<std::mutex> lock(mutex);
    last = throttling;
}

std::optional<OpsThrottling> OpsContext::LastThrottling() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return last;
}

void OpsContext::HoldAll(std::chrono::milliseconds wait)
{
    images.HoldFor(wait);
    retrieval.HoldFor(wait);
}
