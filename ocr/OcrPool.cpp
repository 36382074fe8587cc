#include "ocr/OcrPool.h"

#include "ocr/OcrTask.h"
#include "ocr/Recogniser.h"

#include <algorithm>

namespace {

unsigned Cores()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

OcrPool::OcrPool(unsigned workers_, const wxString& dataPath_)
    : workerCount(workers_ != 0 ? workers_ : Cores()), dataPath(dataPath_.utf8_string())
{
    static std::once_flag quiet;
    std::call_once(quiet, &Recogniser::QuietLibraries);
}

OcrPool::~OcrPool()
{
    Stop();
}

std::shared_ptr<OcrPool> OcrPool::Shared()
{
    static std::mutex lock;
    static std::weak_ptr<OcrPool> current;
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<OcrPool> pool = current.lock();
    if (!pool)
    {
        pool = std::make_shared<OcrPool>();
        current = pool;
    }
    return pool;
}

unsigned OcrPool::GetWorkerCount() const
{
    return workerCount;
}

void OcrPool::Add(std::shared_ptr<OcrTask> task)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!stopping)
        {
            if (workers.empty())
                for (unsigned k = 0; k < workerCount; ++k)
                    workers.emplace_back(&OcrPool::Work, this);
            tasks.push_back(std::move(task));
            queued.notify_one();
            return;
        }
    }
    task->Drop();
}

void OcrPool::Stop()
{
    std::deque<std::shared_ptr<OcrTask>> dropped;
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
        dropped.swap(tasks);
    }
    queued.notify_all();
    for (const std::shared_ptr<OcrTask>& task : dropped)
        task->Drop();
    for (std::thread& worker : workers)
        if (worker.joinable())
            worker.join();
}

void OcrPool::Work()
{
    Recogniser engine(dataPath);
    for (;;)
    {
        std::shared_ptr<OcrTask> task;
        {
            std::unique_lock<std::mutex> guard(lock);
            queued.wait(guard, [this] { return stopping || !tasks.empty(); });
            if (stopping)
                return;
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        task->Run(engine, stopping);
    }
}
