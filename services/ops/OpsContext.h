#pragma once

#include "services/ops/OpsPacer.h"
#include "services/ops/OpsThrottling.h"
#include "services/ops/OpsTokenCache.h"

#include <deque>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// What every OPS job of one process shares: the access token, the pacing
// of page and inquiry requests, and what the answers said of the service's
// load and the account's quotas. The window or the command-line run owns
// one and hands it to each job; every member is safe to use from any job
// thread.
class OpsContext
{
public:
    // The rates OPS announces when idle, until an answer says otherwise.
    static constexpr int defaultImagesPerMinute = 200;
    static constexpr int defaultRetrievalPerMinute = 200;
    // How long an announced rate still counts once a laxer one comes.
    static constexpr std::chrono::seconds throttlingMemory{60};

    // Bytes of the account's quotas used, as the last answer that told said;
    // nullopt before any did.
    struct QuotaUsed
    {
        std::optional<unsigned long long> hour;  // X-IndividualQuotaPerHour-Used
        std::optional<unsigned long long> week;  // X-RegisteredQuotaPerWeek-Used
    };

    explicit OpsContext(OpsClock clock = std::chrono::steady_clock::now,
                        OpsPacer::Sleep sleep = OpsPacer::SleepFor);
    OpsContext(const OpsContext&) = delete;
    OpsContext& operator=(const OpsContext&) = delete;

    OpsTokenCache& Token() { return token; }
    OpsPacer& Images() { return images; }        // page requests
    OpsPacer& Retrieval() { return retrieval; }  // image inquiries
    // Held by the one job that fetches a new token, so the others wait for
    // its token instead of each fetching one.
    std::mutex& TokenFetch() { return tokenFetch; }

    // Reads the X-Throttling-Control headers of one answer (the header may
    // come more than once) and paces each service at the lowest rate any
    // readable header announced within throttlingMemory; missing or
    // unreadable headers change nothing. A black service's rate of 0 is not
    // a pace: its Retry-After holds the jobs instead.
    void Observe(const std::vector<wxString>& throttlingHeaders);
    void Observe(const wxString& throttlingHeader) { Observe(std::vector<wxString>{throttlingHeader}); }
    // The state the last readable header announced; nullopt before the first.
    std::optional<OpsThrottling> LastThrottling() const;

    // Reads an answer's quota headers; a missing or unreadable one keeps
    // the figure known before.
    void ObserveQuota(const wxString& hourUsed, const wxString& weekUsed);
    QuotaUsed Quota() const;

    // Holds every request of every job for the account's hourly quota.
    void HoldForHourlyQuota(std::chrono::milliseconds wait);
    // Whether such a hold lasts now, so every job held says why.
    bool HourlyQuotaHeld() const;

private:
    void PaceByLowestRates();

    OpsClock clock;
    OpsTokenCache token;
    std::mutex tokenFetch;
    OpsPacer images;
    OpsPacer retrieval;
    mutable std::mutex mutex;
    std::deque<std::pair<OpsTime, OpsThrottling>> recent;  // oldest first
    std::optional<OpsThrottling> last;
    QuotaUsed quota;
    OpsTime hourlyQuotaUntil;
};
