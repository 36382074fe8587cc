#include "jobs/JobQueue.h"
#include "numbers/Classification.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// No thread is started here: the entries of no known shape have no job to
// make, and the document's entry leaves the queue before its turn.
TEST(JobQueue, EntriesStartInTheirOrderOnlyWhenAPlaceIsFreeAndTheQueueIsNotHeld)
{
    std::vector<JobQueue::Ticket> notStarted;
    auto noteNotStarted = [&notStarted](JobQueue::Ticket ticket) { notStarted.push_back(ticket); };
    auto defaults = [] { return FetchSettings(); };
    JobQueue queue(nullptr, defaults, noteNotStarted);
    queue.SetMaxRunning(0);
    const JobQueue::Ticket first = queue.Add(Classification(), 0);
    const JobQueue::Ticket document = queue.Add(Classify("5123456"), 1);
    const JobQueue::Ticket last = queue.Add(Classification(), 2);
    queue.Fill();
    EXPECT_TRUE(notStarted.empty());
    EXPECT_EQ(queue.WaitingCount(), 3u);

    queue.Stop(document);
    queue.SetMaxRunning(1);
    queue.Hold(true);
    queue.Fill();
    EXPECT_TRUE(notStarted.empty());
    queue.Hold(false);
    queue.Fill();
    EXPECT_EQ(notStarted, (std::vector<JobQueue::Ticket>{first, last}));
    EXPECT_EQ(queue.WaitingCount(), 0u);
    EXPECT_EQ(queue.RunningCount(), 0u);
}

}  // namespace
