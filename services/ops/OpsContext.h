#pragma once

#include "services/ops/OpsPacer.h"
#include "services/ops/OpsThrottling.h"
#include "services/ops/OpsTokenCache.h"

#include <mutex>
#include <optional>

// What every OPS job of one process shares: the access token and the pacing
// of page and inquiry requests. The window or the command-line run owns one
// and hands it to each job; every member is safe to use from any job thread.
class OpsContext
{
public:
    // The rates OPS announces when idle, until an answer says otherwise.
    static constexpr int defaultImagesPerMinute = 200;
    static constexpr int defaultRetrievalPerMinute = 200;

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

    // Reads the X-Throttling-Control header of any answer and sets both
    // pacers' rates from it; a missing or unreadable header changes nothing.
    void Observe(const wxString& throttlingHeader);
    // The state the last readable header announced; nullopt before the first.
    std::optional<OpsThrottling> LastThrottling() const;

    // Holds every request of every job, for an account-wide limit such as
    // the hourly quota.
    void HoldAll(std::chrono::milliseconds wait);

private:
    OpsTokenCache token;
    std::mutex tokenFetch;
    OpsPacer images;
    OpsPacer retrieval;
    mutable std::mutex mutex;
    std::optional<OpsThrottling> last;
};
