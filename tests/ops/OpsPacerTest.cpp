#include "FakeClock.h"

#include "services/ops/OpsPacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;

// A pacer on a fake clock whose sleeps move the clock and are recorded; times in ms from the start.
struct FakePacer
{
    FakeClock clock;
    const OpsTime start = clock.Now();
    std::vector<milliseconds> sleeps;
    OpsPacer pacer;

    explicit FakePacer(int perMinute)
        : pacer(perMinute, clock.Clock(), [this](milliseconds step) {
            sleeps.push_back(step);
            clock.Advance(step);
        })
    {}
    long Ms(OpsTime t) const
    {
        return static_cast<long>(std::chrono::duration_cast<milliseconds>(t - start).count());
    }
    long Reserve() { return Ms(pacer.Reserve()); }
    long Now() const { return Ms(clock.Now()); }
};

TEST(OpsPacer, SpacesRequestsToTheAnnouncedRate)
{
    for (const auto& [perMinute, interval] :
         std::initializer_list<std::pair<int, long>>{{600, 100}, {200, 300}, {7, 8572}}) {
        FakePacer p(perMinute);
        EXPECT_EQ(0, p.Reserve());
        EXPECT_EQ(interval, p.Reserve()) << perMinute;
        EXPECT_EQ(2 * interval, p.Reserve()) << perMinute;
    }
    FakePacer p(600);
    p.Reserve();
    p.pacer.SetRate(60);
    EXPECT_EQ(1000, p.Reserve());
    p.pacer.SetRate(0);  // black: the spacing stays
    EXPECT_EQ(2000, p.Reserve());
    p.clock.Advance(milliseconds(10'000));  // idle for a while: no backlog
    EXPECT_EQ(10'000, p.Reserve());
    p.pacer.HoldFor(milliseconds(1500));
    p.pacer.HoldFor(milliseconds(500));  // never shortens a hold
    EXPECT_EQ(11'500, p.Reserve());
    EXPECT_EQ(12'500, p.Reserve());
}

TEST(OpsPacer, ParallelJobsShareOneBudget)
{
    FakePacer p(600);
    std::vector<long> slots[3];
    std::atomic<bool> go{false};
    std::vector<std::thread> jobs;
    for (auto& jobSlots : slots) {
        jobs.emplace_back([&p, &jobSlots, &go] {
            while (!go)
                std::this_thread::yield();
            for (int i = 0; i < 5000; ++i)
                jobSlots.push_back(p.Reserve());
        });
    }
    go = true;
    std::vector<long> all;
    for (size_t j = 0; j < jobs.size(); ++j) {
        jobs[j].join();
        all.insert(all.end(), slots[j].begin(), slots[j].end());
    }
    std::sort(all.begin(), all.end());
    for (size_t i = 0; i < all.size(); ++i)
        ASSERT_EQ(static_cast<long>(i) * 100, all[i]);
}

TEST(OpsPacer, WaitsInShortStepsAndCountsDownLongWaits)
{
    FakePacer p(600);
    std::vector<int> shown;
    const auto show = [&shown](int seconds) { shown.push_back(seconds); };
    p.pacer.HoldFor(milliseconds(2500));
    ASSERT_TRUE(p.pacer.WaitTurn([] { return false; }, show));
    EXPECT_EQ(2500, p.Now());
    EXPECT_EQ((std::vector<int>{3, 2, 1}), shown);
    EXPECT_EQ(OpsPacer::waitStep, *std::max_element(p.sleeps.begin(), p.sleeps.end()));

    shown.clear();
    ASSERT_TRUE(p.pacer.WaitTurn({}, show));
    EXPECT_EQ(2600, p.Now());
    EXPECT_TRUE(shown.empty());  // the pace alone is no countdown

    // Another job is throttled while this one waits for its slot: it waits for the hold.
    ASSERT_TRUE(p.pacer.WaitTurn([&p] {
        if (p.Now() == 2600)
            p.pacer.HoldFor(milliseconds(1000));
        return false;
    }));
    EXPECT_EQ(3600, p.Now());

    p.pacer.HoldFor(milliseconds(3'600'000));
    int asked = 0;
    EXPECT_FALSE(p.pacer.WaitTurn([&asked] { return ++asked > 3; }));
    EXPECT_EQ(3900, p.Now());
}

}  // namespace
