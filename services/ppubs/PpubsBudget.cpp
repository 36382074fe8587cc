#include "services/ppubs/PpubsBudget.h"

#include <algorithm>

PpubsBudget::Clock::time_point PpubsBudget::HeldUntil() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return heldUntil;
}

void PpubsBudget::HoldUntil(Clock::time_point until)
{
    std::lock_guard<std::mutex> lock(mutex);
    heldUntil = std::max(heldUntil, until);
    left = 0;
}

bool PpubsBudget::TryTake(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (now < heldUntil)
        return false;
    // With none left, one call still goes: its answer says when to go on.
    if (left && *left <= 0 && underWay > 0)
        return false;
    if (left)
        left = std::max(0L, *left - 1);
    ++underWay;
    return true;
}

void PpubsBudget::Return(std::optional<long> remaining, bool answered)
{
    std::lock_guard<std::mutex> lock(mutex);
    underWay = std::max(0, underWay - 1);
    // Calls still under way may not be counted in the figure yet.
    if (remaining)
        left = std::max(0L, *remaining - underWay);
    else if (answered)
        left.reset();
}
