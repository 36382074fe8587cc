#include "services/ops/OpsContext.h"

#include "net/HttpAnswer.h"

#include <algorithm>

OpsContext::OpsContext(OpsClock clock, OpsPacer::Sleep sleep)
    : clock(clock)
    , token(clock)
    , images(defaultImagesPerMinute, clock, sleep)
    , retrieval(defaultRetrievalPerMinute, clock, sleep)
{
}

void OpsContext::Observe(const std::vector<wxString>& throttlingHeaders)
{
    const OpsTime now = clock();
    std::lock_guard<std::mutex> lock(mutex);
    bool read = false;
    for (const wxString& header : throttlingHeaders) {
        if (std::optional<OpsThrottling> throttling = OpsThrottling::Parse(header)) {
            recent.emplace_back(now, *throttling);
            last = std::move(throttling);
            read = true;
        }
    }
    if (!read)
        return;
    while (now - recent.front().first > throttlingMemory)
        recent.pop_front();
    PaceByLowestRates();
}

void OpsContext::PaceByLowestRates()
{
    for (auto [name, pacer] : {std::make_pair("images", &images), std::make_pair("retrieval", &retrieval)}) {
        int lowest = 0;
        for (const auto& entry : recent) {
            const auto service = entry.second.Find(name);
            if (service && service->requestsPerMinute > 0)
                lowest = lowest == 0 ? service->requestsPerMinute : std::min(lowest, service->requestsPerMinute);
        }
        pacer->SetRate(lowest);
    }
}

std::optional<OpsThrottling> OpsContext::LastThrottling() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return last;
}

void OpsContext::ObserveQuota(const wxString& hourUsed, const wxString& weekUsed)
{
    const auto hour = HeaderCount(hourUsed);
    const auto week = HeaderCount(weekUsed);
    std::lock_guard<std::mutex> lock(mutex);
    if (hour)
        quota.hour = hour;
    if (week)
        quota.week = week;
}

OpsContext::QuotaUsed OpsContext::Quota() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return quota;
}

void OpsContext::HoldForHourlyQuota(std::chrono::milliseconds wait)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        hourlyQuotaUntil = std::max(hourlyQuotaUntil, clock() + wait);
    }
    images.HoldFor(wait);
    retrieval.HoldFor(wait);
}

bool OpsContext::HourlyQuotaHeld() const
{
    const OpsTime now = clock();
    std::lock_guard<std::mutex> lock(mutex);
    return now < hourlyQuotaUntil;
}
