#include "services/ops/OpsPacer.h"

#include <algorithm>
#include <thread>

namespace {

using std::chrono::milliseconds;

milliseconds IntervalFor(int requestsPerMinute)
{
    // Rounded up, so the spacing never exceeds the announced rate.
    return milliseconds((60'000 + requestsPerMinute - 1) / requestsPerMinute);
}

int SecondsRoundedUp(OpsTime::duration left)
{
    return static_cast<int>((std::chrono::duration_cast<milliseconds>(left).count() + 999) / 1000);
}

}  // namespace

OpsPacer::OpsPacer(int requestsPerMinute, OpsClock clock, Sleep sleep)
    : clock(std::move(clock))
    , sleep(std::move(sleep))
    , interval(IntervalFor(std::max(requestsPerMinute, 1)))
{
}

void OpsPacer::SleepFor(milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

void OpsPacer::SetRate(int requestsPerMinute)
{
    if (requestsPerMinute <= 0)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    interval = IntervalFor(requestsPerMinute);
}

milliseconds OpsPacer::Interval() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return interval;
}

void OpsPacer::HoldFor(milliseconds wait)
{
    const OpsTime until = clock() + wait;
    std::lock_guard<std::mutex> lock(mutex);
    heldUntil = std::max(heldUntil, until);
}

OpsTime OpsPacer::Reserve()
{
    const OpsTime now = clock();
    std::lock_guard<std::mutex> lock(mutex);
    return ReserveLocked(now);
}

OpsTime OpsPacer::ReserveLocked(OpsTime now)
{
    OpsTime slot = std::max(now, heldUntil);
    if (anySlot)
        slot = std::max(slot, lastSlot + interval);
    anySlot = true;
    lastSlot = slot;
    return slot;
}

bool OpsPacer::WaitTurn(const ShouldStop& shouldStop, const SecondsLeft& secondsLeft)
{
    OpsTime slot = Reserve();
    bool visible = false;
    int shownSeconds = -1;
    for (;;) {
        if (shouldStop && shouldStop())
            return false;
        const OpsTime now = clock();
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (slot < heldUntil) {
                slot = ReserveLocked(now);
                visible = false;
            }
        }
        if (now >= slot)
            return true;
        const OpsTime::duration left = slot - now;
        visible = visible || left >= std::chrono::seconds(1);
        if (visible && secondsLeft && SecondsRoundedUp(left) != shownSeconds) {
            shownSeconds = SecondsRoundedUp(left);
            secondsLeft(shownSeconds);
        }
        sleep(std::min(waitStep, std::chrono::ceil<milliseconds>(left)));
    }
}
