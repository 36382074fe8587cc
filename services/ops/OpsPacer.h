#pragma once

#include "services/ops/OpsClock.h"

#include <functional>
#include <mutex>

// Spaces the requests of every job to one OPS service (pages count as
// "images", inquiries as "retrieval") to the rate the service last
// announced: each request gets its own time slot, 60000/n ms after the one
// before, whichever job takes it. A wait the server dictates (Retry-After)
// holds every job.
class OpsPacer
{
public:
    using Sleep = std::function<void(std::chrono::milliseconds)>;
    using ShouldStop = std::function<bool()>;
    // Whole seconds left of a wait of a second or more, each time they change.
    using SecondsLeft = std::function<void(int)>;

    // The longest single sleep of a wait, so a stop request is seen soon.
    static constexpr std::chrono::milliseconds waitStep{100};

    explicit OpsPacer(int requestsPerMinute, OpsClock clock = std::chrono::steady_clock::now,
                      Sleep sleep = SleepFor);

    // A rate of 0 (a black service) leaves the spacing as it was: the
    // Retry-After of the rejected request holds the jobs instead.
    void SetRate(int requestsPerMinute);
    std::chrono::milliseconds Interval() const;

    // No request of any job before now + wait; an earlier hold is only extended.
    void HoldFor(std::chrono::milliseconds wait);

    // Takes the next free slot and gives its time: the caller sends then.
    OpsTime Reserve();

    // Takes a slot and sleeps until it comes, in steps of at most waitStep.
    // False when `shouldStop` said so first. A hold that starts meanwhile
    // moves the caller to a slot after it.
    bool WaitTurn(const ShouldStop& shouldStop, const SecondsLeft& secondsLeft = {});

    static void SleepFor(std::chrono::milliseconds duration);

private:
    OpsTime ReserveLocked(OpsTime now);

    OpsClock clock;
    Sleep sleep;
    mutable std::mutex mutex;
    std::chrono::milliseconds interval;
    bool anySlot = false;
    OpsTime lastSlot;
    OpsTime heldUntil;
};
