#include "cli/Commands.h"

#include "jobs/JobEvents.h"
#include "jobs/JobRoute.h"
#include "jobs/StopThread.h"
#include "jobs/pat2pdf.h"
#include "net/FetchSettings.h"
#include "net/SettingsStore.h"
#include "numbers/Classification.h"
#include "numbers/FormatHelp.h"

#include <wx/event.h>
#include <wx/init.h>
#include <wx/thread.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>

#include <pthread.h>
#include <signal.h>

namespace {

const char usageText[] =
    "usage: folioharvester-cli fetch [-j N] TEXT...\n"
    "  Downloads one document per TEXT into the current directory and prints\n"
    "  every status as ROW<TAB>TEXT. Exit 0 when every document was finished\n"
    "  or previously downloaded, else 1.\n"
    "  -j N                at most N downloads at once (default: max_threads, 3)\n"
    "  --retry-step-ms N   test use only: length of one retry countdown step\n";

struct FetchOptions
{
    bool help = false;
    bool hasMaxThreads = false;
    long maxThreads = 0;
    long retryStepMs = 0;  // 0: the program's one second
    std::vector<std::string> texts;
};

bool ReadCount(const std::string& text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

bool ParseOptions(const std::vector<std::string>& args, FetchOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-j" || arg == "--retry-step-ms") {
            long value = 0;
            if (i + 1 >= args.size() || !ReadCount(args[i + 1], value))
                return false;
            if (arg == "-j") {
                options.hasMaxThreads = true;
                options.maxThreads = value;
            } else {
                options.retryStepMs = value;
            }
            ++i;
        } else if (arg == "-h" || arg == "--help") {
            options.help = true;
            return true;
        } else if (arg == "--") {
            options.texts.insert(options.texts.end(), args.begin() + i + 1, args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            return false;
        } else {
            options.texts.push_back(arg);
        }
    }
    return !options.texts.empty() && options.retryStepMs >= 0;
}

// Arguments arrive in the locale's encoding; UTF-8 covers it on any current
// system, and Latin-1 keeps every other byte instead of dropping the text.
wxString ArgumentText(const std::string& arg)
{
    wxString text = wxString::FromUTF8(arg.data(), arg.size());
    if (text.empty() && !arg.empty())
        text = wxString(arg.data(), wxConvISO8859_1, arg.size());
    return text;
}

// The settings as the window reads them, and the job limit; the store is
// only read here, never written.
FetchSettings LoadSettings(long& maxThreads)
{
    std::unique_ptr<wxConfigBase> config = OpenSettingsStore();
    config->Read("max_threads", &maxThreads, 3L);
    return FetchSettings::Read(*config);
}

// Receives the jobs' events from their threads and hands them to the main
// thread in the order they were queued. A null event stands for a stop
// signal.
class EventQueue : public wxEvtHandler
{
public:
    EventQueue() : ready(lock) {}
    ~EventQueue() override
    {
        for (wxEvent* event : events)
            delete event;
    }

    void QueueEvent(wxEvent* event) override { Push(event); }
    void AddPendingEvent(const wxEvent& event) override { Push(event.Clone()); }

    void Push(wxEvent* event)
    {
        wxMutexLocker locker(lock);
        events.push_back(event);
        ready.Signal();
    }

    std::unique_ptr<wxEvent> Take()
    {
        wxMutexLocker locker(lock);
        while (events.empty())
            ready.Wait();
        std::unique_ptr<wxEvent> event(events.front());
        events.pop_front();
        return event;
    }

private:
    wxMutex lock;
    wxCondition ready;
    std::deque<wxEvent*> events;
};

// Turns SIGINT, SIGTERM and SIGHUP (blocked in every thread) into a stop
// marker on the queue; SIGUSR1 only ends the watcher.
class SignalWatcher
{
public:
    explicit SignalWatcher(EventQueue& queue)
    {
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        sigaddset(&signals, SIGHUP);
        sigaddset(&signals, SIGUSR1);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        watcher = std::thread([this, &queue] {
            int received = 0;
            while (sigwait(&signals, &received) == 0 && received != SIGUSR1)
                queue.Push(nullptr);
        });
    }
    ~SignalWatcher()
    {
        pthread_kill(watcher.native_handle(), SIGUSR1);
        watcher.join();
    }

private:
    sigset_t signals;
    std::thread watcher;
};

struct Row
{
    wxString text;
    Classification entry;
    pat2pdf* job = nullptr;
    wxString lastStatus;
    bool ended = false;

    explicit Row(const wxString& text) : text(text), entry(Classify(text)) {}
    bool Succeeded() const
    {
        return lastStatus == "Finished!" || lastStatus == "Previously Downloaded!";
    }
};

class FetchRun
{
public:
    FetchRun(const FetchOptions& options, long maxThreads, const FetchSettings& settings)
        : options(options), maxThreads(maxThreads), settings(settings)
    {
    }

    int Run()
    {
        for (const std::string& text : options.texts) {
            rows.push_back(std::make_unique<Row>(ArgumentText(text)));
            Row& row = *rows.back();
            if (!row.entry.Valid()) {
                std::fprintf(stderr, "%s\n", UnknownFormatMessage(row.text).utf8_str().data());
                row.ended = true;
            }
        }
        SignalWatcher watcher(queue);
        StartWaiting();
        while (running > 0 && outputError == 0) {
            std::unique_ptr<wxEvent> event = queue.Take();
            if (!event) {
                StopAll();
                return 1;
            }
            Handle(*event);
        }
        // Whoever reads the statuses is gone (or the disk is full): stopped
        // as by a signal, since nobody would learn how the jobs end.
        if (outputError != 0) {
            StopAll();
            std::fprintf(stderr, "folioharvester-cli: standard output: %s\n",
                         std::strerror(outputError));
            return 1;
        }
        const bool allDone = std::all_of(rows.begin(), rows.end(),
                                         [](const auto& row) { return row->Succeeded(); });
        return allDone ? 0 : 1;
    }

private:
    void StartWaiting()
    {
        while (running < maxThreads && next < rows.size()) {
            Row& row = *rows[next];
            const int index = static_cast<int>(next++);
            if (row.ended)
                continue;
            pat2pdf* job = MakeJob(row.entry, index, &queue, settings, opsContext.get());
            if (options.retryStepMs > 0)
                job->SetRetryStepMs(static_cast<unsigned>(options.retryStepMs));
            row.job = job;
            if (row.job->Create() != wxTHREAD_NO_ERROR || row.job->Run() != wxTHREAD_NO_ERROR) {
                Print(index, "Error Starting Download");
                delete row.job;
                row.job = nullptr;
                row.ended = true;
                continue;
            }
            ++running;
        }
    }

    void Handle(wxEvent& event)
    {
        const wxEventType type = event.GetEventType();
        auto& command = static_cast<wxThreadEvent&>(event);
        if (type == EVT_JOB_STATUS) {
            Row& row = *rows.at(command.GetId());
            row.lastStatus = command.GetString();
            Print(command.GetId(), row.lastStatus);
        } else if (type == EVT_JOB_EXIT) {
            Row& row = *rows.at(command.GetId());
            if (row.job) {
                row.job->Wait();
                delete row.job;
                row.job = nullptr;
                row.ended = true;
                --running;
                StartWaiting();
            }
        }
    }

    // Like closing the window: each running job stopped in row order; a
    // stopped job's writer deletes its unfinished file.
    // The stop requests go out together, so a stalled request in one job
    // does not delay the others' ends.
    void StopAll()
    {
        std::vector<std::thread> stoppers;
        for (auto& row : rows)
            if (row->job)
                stoppers.emplace_back([job = row->job] { StopThread(*job); });
        for (std::thread& stopper : stoppers)
            stopper.join();
        for (auto& row : rows) {
            delete row->job;
            row->job = nullptr;
        }
        running = 0;
    }

    void Print(int row, const wxString& text)
    {
        if (outputError != 0)
            return;
        errno = 0;
        std::printf("%d\t%s\n", row, text.utf8_str().data());
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            outputError = errno != 0 ? errno : EIO;
    }

    const FetchOptions& options;
    const long maxThreads;
    const FetchSettings settings;
    // Shared by the run's OPS jobs; declared before the rows, so it outlives their jobs.
    const std::shared_ptr<OpsContext> opsContext = NewOpsContext();
    EventQueue queue;
    std::vector<std::unique_ptr<Row>> rows;
    size_t next = 0;
    long running = 0;
    int outputError = 0;  // errno of a failed write to standard output
};

}  // namespace

int RunFetch(const std::vector<std::string>& args)
{
    // A closed reader of the output and a file-size limit make writes fail,
    // which the run reports and stops on, instead of killing it with its
    // partial files behind.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    FetchOptions options;
    if (!ParseOptions(args, options)) {
        std::fputs(usageText, stderr);
        return 64;
    }
    if (options.help) {
        std::fputs(usageText, stdout);
        return 0;
    }
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        std::fputs("folioharvester-cli: cannot initialise wxWidgets\n", stderr);
        return 1;
    }
    long maxThreads = 3;
    const FetchSettings settings = LoadSettings(maxThreads);
    for (const wxString& warning : settings.services.warnings)
        std::fprintf(stderr, "folioharvester-cli: %s\n", warning.utf8_str().data());
    if (options.hasMaxThreads)
        maxThreads = options.maxThreads;
    maxThreads = std::clamp(maxThreads, 1L, 511L);
    FetchRun run(options, maxThreads, settings);
    return run.Run();
}
