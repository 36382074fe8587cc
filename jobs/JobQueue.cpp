#include "jobs/JobQueue.h"

#include "jobs/JobEvents.h"
#include "jobs/JobRoute.h"
#include "jobs/StopThread.h"
#include "jobs/pat2pdf.h"

#include <wx/event.h>

#include <algorithm>
#include <thread>

JobQueue::JobQueue(wxEvtHandler* sink, SettingsSource settings, StartFailure startFailure)
    : sink(sink)
    , settings(std::move(settings))
    , startFailure(std::move(startFailure))
    , opsContext(NewOpsContext())
    , epsContext(NewEpsContext())
    , ppubsContext(NewPpubsContext())
{
}

JobQueue::~JobQueue()
{
    // Nothing handles the jobs' events any more: every job goes at once.
    StopThreads();
}

JobQueue::Ticket JobQueue::Add(const Classification& entry, int eventId)
{
    waiting.push_back({++lastTicket, entry, eventId});
    return lastTicket;
}

void JobQueue::Fill()
{
    while (!held && !waiting.empty() && running.size() < static_cast<unsigned long>(maxRunning)) {
        const Waiting next = waiting.front();
        waiting.pop_front();
        Start(next);
    }
}

void JobQueue::Start(const Waiting& entry)
{
    std::unique_ptr<pat2pdf> job = MakeJob(entry.entry, entry.eventId, sink, settings(), opsContext.get(),
                                           epsContext.get(), ppubsContext.get());
    if (job && retryStepMs > 0)
        job->SetRetryStepMs(retryStepMs);
    if (job && job->Create() == wxTHREAD_NO_ERROR && job->Run() == wxTHREAD_NO_ERROR) {
        running.push_back({entry.ticket, std::move(job)});
        return;
    }
    // A thread that never ran must not keep its place.
    if (job)
        Retire(std::move(job));
    if (startFailure)
        startFailure(entry.ticket);
}

size_t JobQueue::RunningIndex(const wxThreadEvent& event) const
{
    const wxThread* job = JobOfEvent(event);
    for (size_t i = 0; job && i < running.size(); ++i)
        if (running[i].job.get() == job)
            return i;
    return running.size();
}

std::optional<JobQueue::Ticket> JobQueue::TicketOf(const wxThreadEvent& event) const
{
    const size_t index = RunningIndex(event);
    if (index == running.size())
        return std::nullopt;
    return running[index].ticket;
}

std::optional<JobQueue::Ticket> JobQueue::Ended(const wxThreadEvent& event)
{
    const size_t index = RunningIndex(event);
    if (index == running.size())
        return std::nullopt;
    const Ticket ticket = running[index].ticket;
    std::unique_ptr<pat2pdf> job = std::move(running[index].job);
    running.erase(running.begin() + index);
    job->Wait();
    // Its exit event was its last: nothing of it is left in the queue.
    job.reset();
    Fill();
    return ticket;
}

void JobQueue::Stop(Ticket ticket)
{
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [ticket](const Waiting& w) { return w.ticket == ticket; }),
                  waiting.end());
    const auto found = std::find_if(running.begin(), running.end(),
                                    [ticket](const Running& r) { return r.ticket == ticket; });
    if (found == running.end())
        return;
    std::unique_ptr<pat2pdf> job = std::move(found->job);
    running.erase(found);
    StopThread(*job);
    Retire(std::move(job));
}

std::vector<JobQueue::Ticket> JobQueue::StopAll()
{
    StopThreads();
    std::vector<Ticket> stopped;
    for (Running& r : running) {
        stopped.push_back(r.ticket);
        Retire(std::move(r.job));
    }
    running.clear();
    return stopped;
}

void JobQueue::StopThreads()
{
    std::vector<std::thread> stoppers;
    for (const Running& r : running)
        stoppers.emplace_back([job = r.job.get()] { StopThread(*job); });
    for (std::thread& stopper : stoppers)
        stopper.join();
}

void JobQueue::Retire(std::unique_ptr<pat2pdf> job)
{
    const pat2pdf* raw = job.get();
    retired.push_back(std::move(job));
    if (sink)
        sink->CallAfter([this, raw] { Delete(raw); });
}

void JobQueue::Delete(const pat2pdf* job)
{
    retired.erase(std::remove_if(retired.begin(), retired.end(),
                                 [job](const std::unique_ptr<pat2pdf>& r) { return r.get() == job; }),
                  retired.end());
}
