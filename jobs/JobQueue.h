#pragma once

#include "numbers/Classification.h"
#include "settings/FetchSettings.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class EpsContext;
class OpsContext;
class PpubsContext;
class pat2pdf;
class wxEvtHandler;
class wxThreadEvent;

// The download jobs of the window or of one command-line run. Entries wait in
// the order they were added; at most MaxRunning() jobs run at once, and a
// place that frees up goes to the entry that has waited longest. The queue
// makes, starts, stops and reaps every job and owns it until it is gone, so
// the front ends only show what it reports. It is used from one thread (the
// GUI thread, the command line's main thread); the jobs post their events
// to `sink`, which handles them, and the calls the queue leaves with it, on
// that thread, the calls only while the queue lives.
class JobQueue
{
public:
    // Names one added entry; never 0, never given twice.
    using Ticket = std::uint64_t;
    // The settings a job is made with, read when its turn comes.
    using SettingsSource = std::function<FetchSettings()>;
    // Told of an entry whose job could not be made or started; it has ended.
    using StartFailure = std::function<void(Ticket)>;

    JobQueue(wxEvtHandler* sink, SettingsSource settings, StartFailure startFailure);
    // Stops the jobs still running.
    ~JobQueue();
    JobQueue(const JobQueue&) = delete;
    JobQueue& operator=(const JobQueue&) = delete;

    // Compared unsigned with the count of running jobs: 0 lets no job
    // start, a negative count lets every one.
    void SetMaxRunning(long count) { maxRunning = count; }
    long MaxRunning() const { return maxRunning; }
    // The wait between the retry countdown steps of the jobs made from now
    // on; 0 keeps the program's one second.
    void SetRetryStepMs(unsigned ms) { retryStepMs = ms; }
    // While held no job starts.
    void Hold(bool hold) { held = hold; }

    // Queues `entry`; its job's events will carry `eventId`. It starts at
    // the next Fill().
    Ticket Add(const Classification& entry, int eventId);
    // Starts waiting entries, oldest first, while there are places.
    void Fill();
    // The entry whose running job posted `event`; nullopt for an event of no
    // job running here (a stopped job's late one, a fetched page's).
    std::optional<Ticket> TicketOf(const wxThreadEvent& event) const;
    // After the exit event of a running job: reaps the job (its thread is in
    // its exit step) and gives its place to the next waiting entry. The
    // job's entry; nullopt when the event's job does not run here.
    std::optional<Ticket> Ended(const wxThreadEvent& event);
    // Stops the entry's job, waiting until it has, or takes the entry out of
    // the queue when it still waits; its place is given at the next Fill().
    void Stop(Ticket ticket);
    // Stops every running job, all asked at once so that one stalled
    // request does not hold up the others' ends; the entries they had, in
    // the order they started. Waiting entries stay waiting.
    std::vector<Ticket> StopAll();

    size_t RunningCount() const { return running.size(); }
    size_t WaitingCount() const { return waiting.size(); }

private:
    struct Waiting
    {
        Ticket ticket;
        Classification entry;
        int eventId;
    };
    struct Running
    {
        Ticket ticket;
        std::unique_ptr<pat2pdf> job;
    };

    void Start(const Waiting& entry);
    // The index in `running` of the job that posted `event`; running.size()
    // when it runs no more, or never did here.
    size_t RunningIndex(const wxThreadEvent& event) const;
    // Asks every running job to stop and waits for all of them.
    void StopThreads();
    // A job that no longer runs is deleted only once the events it queued
    // have been handled, so that no new job can take its address while
    // they wait: they would be taken for the new job's.
    void Retire(std::unique_ptr<pat2pdf> job);
    void Delete(const pat2pdf* job);

    wxEvtHandler* const sink;
    const SettingsSource settings;
    const StartFailure startFailure;
    // What the OPS jobs share; every job is gone before it.
    const std::shared_ptr<OpsContext> opsContext;
    const std::shared_ptr<EpsContext> epsContext;
    const std::shared_ptr<PpubsContext> ppubsContext;
    long maxRunning = 3;
    unsigned retryStepMs = 0;
    bool held = false;
    Ticket lastTicket = 0;
    std::deque<Waiting> waiting;
    std::vector<Running> running;  // in the order they started
    std::vector<std::unique_ptr<pat2pdf>> retired;
};
