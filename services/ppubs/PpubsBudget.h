#pragma once

#include <chrono>
#include <mutex>
#include <optional>

// What Patent Public Search allows of one kind of call (searches, print
// calls, ...) for every job of a run: a hold after a 429, during which no
// call of the kind may go, and the calls left as the last answer's
// x-rate-limit-remaining said. Once the budget is known to be spent, one
// call at a time goes, so that a spent budget costs one 429, not one per
// job. Safe to use from any job thread.
class PpubsBudget
{
public:
    using Clock = std::chrono::steady_clock;

    // The end of the hold; a time past when none lasts.
    Clock::time_point HeldUntil() const;
    // Holds the kind until `until`; an earlier hold is only extended. The
    // budget after it is unknown: one call at a time until an answer says.
    void HoldUntil(Clock::time_point until);

    // Takes a turn to send a call when no hold lasts and the calls left are
    // not all taken by calls under way; false, nothing taken, otherwise.
    bool TryTake(Clock::time_point now);
    // The call of a turn taken ended; `remaining` is its answer's
    // x-rate-limit-remaining, nullopt when it had none; `answered` whether
    // the answer was the one asked for (a kind whose answers tell no budget
    // has none we know of).
    void Return(std::optional<long> remaining, bool answered);

private:
    mutable std::mutex mutex;
    Clock::time_point heldUntil;
    // nullopt until an answer tells; calls under way already subtracted.
    std::optional<long> left;
    int underWay = 0;
};
