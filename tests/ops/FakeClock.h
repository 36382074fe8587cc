#pragma once

#include "services/ops/OpsClock.h"

#include <atomic>

// A clock that moves only when told: an hour past the steady clock's epoch,
// so nothing starts at the zero point.
struct FakeClock
{
    std::atomic<OpsTime::rep> ticks{std::chrono::duration_cast<OpsTime::duration>(std::chrono::hours(1)).count()};

    OpsTime Now() const { return OpsTime(OpsTime::duration(ticks.load())); }
    void Advance(OpsTime::duration by) { ticks += by.count(); }
    OpsClock Clock() { return [this] { return Now(); }; }
};
