#include "services/ppubs/PpubsBudget.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// How many calls may go at once at `now`: taken, then ended without an
// answer (which leaves the budget as the takes left it).
int AtOnce(PpubsBudget& budget, PpubsBudget::Clock::time_point now)
{
    int taken = 0;
    while (taken < 100 && budget.TryTake(now))
        ++taken;
    for (int call = 0; call < taken; ++call)
        budget.Return(std::nullopt, false);
    return taken;
}

TEST(PpubsBudget, CallsGoAsTheBudgetLeftAllowsAndNoneDuringAHold)
{
    const auto now = PpubsBudget::Clock::now();
    PpubsBudget budget;
    EXPECT_EQ(AtOnce(budget, now), 100) << "no budget told: no bound";

    ASSERT_TRUE(budget.TryTake(now));
    budget.Return(3, true);
    EXPECT_EQ(AtOnce(budget, now), 3);
    EXPECT_EQ(AtOnce(budget, now), 1) << "none left: one call goes to learn when the budget comes back";

    ASSERT_TRUE(budget.TryTake(now));
    budget.Return(5, true);
    ASSERT_TRUE(budget.TryTake(now));
    ASSERT_TRUE(budget.TryTake(now));
    budget.Return(2, true);  // the other call is still under way: 1 left
    EXPECT_EQ(AtOnce(budget, now), 1);
    budget.Return(0, true);

    budget.HoldUntil(now + 2s);
    EXPECT_EQ(AtOnce(budget, now + 1999ms), 0);
    EXPECT_EQ(AtOnce(budget, now + 2s), 1);

    // A kind whose answers tell no budget is bound no more once one comes.
    ASSERT_TRUE(budget.TryTake(now + 2s));
    budget.Return(std::nullopt, false);
    EXPECT_EQ(AtOnce(budget, now + 2s), 1);
    ASSERT_TRUE(budget.TryTake(now + 2s));
    budget.Return(std::nullopt, true);
    EXPECT_EQ(AtOnce(budget, now + 2s), 100);
}

}  // namespace
