#include "ocr/OcrDocument.h"

#include "ocr/FaxBitmap.h"
#include "ocr/OcrPool.h"
#include "ocr/OcrTask.h"
#include "ocr/Recogniser.h"
#include "pdf/FaxImage.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// Shared with the document's tasks, which may outlive the document.
struct OcrDocument::State
{
    std::string languages;
    wxString problem;
    std::atomic<bool> stopped{false};
    std::mutex lock;
    std::condition_variable changed;
    std::vector<PageText> pages;
    std::vector<bool> done;
    int doneCount = 0;

    void Finish(size_t index, PageText text)
    {
        {
            std::lock_guard<std::mutex> guard(lock);
            pages[index] = std::move(text);
            done[index] = true;
            ++doneCount;
        }
        changed.notify_all();
    }
};

namespace {

PageText Stopped()
{
    PageText text;
    text.problem = "stopped";
    return text;
}

class PageTask : public OcrTask
{
public:
    PageTask(std::shared_ptr<OcrDocument::State> state_, size_t index_, const FaxImage& page_)
        : state(std::move(state_)), index(index_), page(page_)
    {
    }

    void Run(Recogniser& engine, const std::atomic<bool>& poolStopping) override
    {
        const auto stop = [this, &poolStopping] { return state->stopped.load() || poolStopping.load(); };
        if (stop())
        {
            Drop();
            return;
        }
        const FaxBitmap bitmap(page);
        PageText text = engine.Recognise(bitmap, state->languages, stop);
        text.columns = static_cast<int>(page.columns);
        text.rows = static_cast<int>(page.rows);
        if (poolStopping)
            state->stopped = true;
        state->Finish(index, std::move(text));
    }

    // A page the pool gave up stops its document: the process is ending.
    void Drop() override
    {
        state->stopped = true;
        state->Finish(index, Stopped());
    }

private:
    std::shared_ptr<OcrDocument::State> state;
    size_t index;
    FaxImage page;
};

}  // namespace

OcrDocument::OcrDocument(OcrPool& pool_, const OcrLanguages::Choice& languages)
    : pool(pool_), state(std::make_shared<State>())
{
    state->languages = languages.languages;
    state->problem = languages.problem;
}

OcrDocument::~OcrDocument()
{
    Stop();
}

void OcrDocument::AddPage(const FaxImage& page)
{
    size_t index = 0;
    {
        std::lock_guard<std::mutex> guard(state->lock);
        index = state->pages.size();
        state->pages.emplace_back();
        state->done.push_back(false);
    }
    if (state->languages.empty())
    {
        PageText text;
        text.problem = state->problem;
        state->Finish(index, std::move(text));
        return;
    }
    pool.Add(std::make_shared<PageTask>(state, index, page));
}

void OcrDocument::Stop()
{
    state->stopped = true;
    state->changed.notify_all();
}

bool OcrDocument::Wait(const std::function<bool(int done, int added)>& keepGoing)
{
    std::unique_lock<std::mutex> guard(state->lock);
    for (;;)
    {
        const int done = state->doneCount;
        const int added = static_cast<int>(state->pages.size());
        if (state->stopped)
            return false;
        if (done == added)
            return true;
        if (keepGoing)
        {
            guard.unlock();
            const bool going = keepGoing(done, added);
            guard.lock();
            if (!going)
            {
                state->stopped = true;
                return false;
            }
        }
        state->changed.wait_for(guard, std::chrono::milliseconds(50),
                                [this, done] { return state->stopped || state->doneCount != done; });
    }
}

std::vector<PageText> OcrDocument::GetPages() const
{
    std::lock_guard<std::mutex> guard(state->lock);
    std::vector<PageText> pages = state->pages;
    for (size_t k = 0; k < pages.size(); ++k)
        if (!state->done[k])
            pages[k] = Stopped();
    return pages;
}
