#pragma once

#include "ocr/OcrLanguages.h"

#include <wx/string.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <string>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class OcrTask;

// The recognisers a process shares: at most one page recognised at a time
// per worker (one per processor core unless told otherwise), each worker
// with its own engine, tasks taken in the order they came from every
// document. Workers start with the first task.
class OcrPool
{
public:
    explicit OcrPool(unsigned workers = 0, const wxString& dataPath = OcrLanguages::DefaultDataPath());
    // Stop().
    ~OcrPool();
    OcrPool(const OcrPool&) = delete;
    OcrPool& operator=(const OcrPool&) = delete;

    // The pool that the downloads of a process share while they are being
    // made searchable, one worker per core: however many end at once, at
    // most one page per core is recognised. Made when one needs it and
    // stopped, its engines freed, when the last lets it go: no engine is
    // left for the end of the process, where the recognition library's own
    // state goes before the statics made after it.
    static std::shared_ptr<OcrPool> Shared();

    unsigned GetWorkerCount() const;
    // Queues `task`; once the pool stopped it is dropped at once.
    void Add(std::shared_ptr<OcrTask> task);
    // Drops every queued task, asks the running ones to end, and waits for
    // the workers. Called by the pool's owner.
    void Stop();

private:
    void Work();

    const unsigned workerCount;
    const std::string dataPath;  // read by every worker: no wxString, whose conversions cache
    std::mutex lock;
    std::condition_variable queued;
    std::deque<std::shared_ptr<OcrTask>> tasks;
    std::vector<std::thread> workers;
    std::atomic<bool> stopping{false};
};
