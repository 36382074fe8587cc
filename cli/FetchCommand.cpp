#include "cli/Commands.h"
#include "cli/ProgressDisplay.h"
#include "cli/SettingsOption.h"
#include "cli/SignalWatcher.h"
#include "cli/StatusView.h"
#include "cli/TraceOption.h"
#include "cli/Usage.h"

#include "jobs/JobEvents.h"
#include "jobs/JobRoute.h"
#include "jobs/StopThread.h"
#include "jobs/LibraryState.h"
#include "jobs/pat2pdf.h"
#include "lists/ListFile.h"
#include "lists/ListImport.h"
#include "lists/ListReport.h"
#include "net/FetchSettings.h"
#include "net/SettingsStore.h"
#include "numbers/Classification.h"
#include "numbers/FormatHelp.h"

#include <wx/event.h>
#include <wx/filename.h>
#include <wx/init.h>
#include <wx/thread.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <thread>

#include <unistd.h>

namespace {

struct FetchOptions
{
    bool help = false;
    bool hasMaxThreads = false;
    long maxThreads = 0;
    long retryStepMs = 0;  // 0: the program's one second; for tests, not in the usage
    std::vector<std::string> texts;
    std::vector<std::string> listFiles;
    std::string report;
    TraceOption trace;
    SettingsOption settings;
    std::string problem;  // what is wrong with the arguments, when one line says it
};

bool ReadCount(const std::string& text, long& value)
{
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

// An option's value: the next argument, which must be there.
bool TakeValue(const std::vector<std::string>& args, size_t& i, std::string& value)
{
    if (i + 1 >= args.size())
        return false;
    value = args[++i];
    return true;
}

// False when the arguments are wrong: with `options.problem` when one line
// says what is wrong, else the usage is due.
bool ParseOptions(const std::vector<std::string>& args, FetchOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        bool ok = true;
        if (options.settings.Take(args, i, ok)) {
            if (!ok) {
                options.problem = options.settings.error;
                return false;
            }
        } else if (options.trace.Take(args, i, ok)) {
            if (!ok)
                return false;
        } else if (arg == "-j") {
            if (!TakeValue(args, i, value) || !ReadCount(value, options.maxThreads) || options.maxThreads < 1) {
                options.problem = "-j needs the number of downloads at once, 1 or more"
                                  + (value.empty() ? std::string() : ": " + value);
                return false;
            }
            options.hasMaxThreads = true;
        } else if (arg == "--retry-step-ms") {
            if (!TakeValue(args, i, value) || !ReadCount(value, options.retryStepMs))
                return false;
        } else if (arg == "--from") {
            if (!TakeValue(args, i, value))
                return false;
            options.listFiles.push_back(value);
        } else if (arg == "--report") {
            if (!TakeValue(args, i, value) || value.empty())
                return false;
            options.report = value;
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
    if (options.texts.empty() && options.listFiles.empty()) {
        options.problem = "no entries to fetch: give their numbers, or --from FILE";
        return false;
    }
    return options.retryStepMs >= 0;
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

void PrintError(const wxString& text)
{
    std::fprintf(stderr, "folioharvester-cli: %s\n", text.utf8_str().data());
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

    bool Empty()
    {
        wxMutexLocker locker(lock);
        return events.empty();
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

struct Row
{
    enum State { waiting, running, ended, invalid, stopped };

    wxString text;
    Classification entry;
    State state = waiting;
    pat2pdf* job = nullptr;
    wxString lastStatus;
    wxString file;  // the document's full path once the job has it

    Row(const wxString& text, const Classification& entry) : text(text), entry(entry) {}
    bool Succeeded() const
    {
        return lastStatus == "Finished!" || lastStatus == "Previously Downloaded!";
    }
};

// The first line of the window's error for an entry of no known shape.
wxString UnknownFormatLine(const wxString& text)
{
    return UnknownFormatMessage(text).BeforeFirst('\n');
}

// The run's rows: every argument in order, then the new documents and the
// invalid lines of each list file in file order.
class RowList
{
public:
    void AddArgument(const wxString& text)
    {
        const Classification entry = Classify(text);
        if (entry.Valid())
            listed.insert(DocumentKey(entry));
        Add(text, entry, entry.Valid() ? wxString() : UnknownFormatLine(text), text);
    }

    bool AddListFile(const wxString& path)
    {
        ListFile file;
        wxString error;
        if (!ReadListFile(path, file, error)) {
            PrintError(error);
            return false;
        }
        std::map<int, wxString> refused;
        for (const ListLine& line : file.tooLong)
            refused[line.line] = wxString::Format("Entry longer than %zu characters", ListFile::maxLineLength);
        for (const ListLine& line : file.withNul)
            refused[line.line] = "Entry holding a NUL byte";
        if (file.leftOut != 0)
            PrintError(LeftOutLine(path, file));
        leftOut += file.leftOut;
        const ListImport import = SortList(file, listed);
        duplicates += import.duplicates;
        std::vector<ListLine> lines = import.add;
        lines.insert(lines.end(), import.invalid.begin(), import.invalid.end());
        std::stable_sort(lines.begin(), lines.end(),
                         [](const ListLine& a, const ListLine& b) { return a.line < b.line; });
        for (const ListLine& line : lines) {
            Classification entry = Classify(line.text);
            wxString problem;
            if (refused.count(line.line) != 0)
            {
                problem = refused[line.line];
                entry = Classification();
            }
            else if (!entry.Valid())
                problem = UnknownFormatLine(line.text);
            Add(line.text, entry, problem, wxString::Format("%s:%d", path, line.line));
        }
        return true;
    }

    std::vector<std::unique_ptr<Row>>& Rows() { return rows; }
    size_t Duplicates() const { return duplicates; }
    size_t LeftOut() const { return leftOut; }

private:
    void Add(const wxString& text, const Classification& entry, const wxString& problem,
             const wxString& where)
    {
        rows.push_back(std::make_unique<Row>(text, entry));
        if (problem.empty())
            return;
        rows.back()->state = Row::invalid;
        rows.back()->lastStatus = problem;
        PrintError(where == text ? problem : where + ": " + problem);
    }

    std::vector<std::unique_ptr<Row>> rows;
    std::set<wxString> listed;
    size_t duplicates = 0;
    size_t leftOut = 0;  // list entries past a list's limit
};

// Counts of how the rows ended, for the closing line, and each failed
// entry with its last status, for the lines under it.
struct Summary
{
    size_t finished = 0, previously = 0, failed = 0, invalid = 0, stopped = 0, notStarted = 0;
    std::vector<wxString> failures;

    explicit Summary(const std::vector<std::unique_ptr<Row>>& rows)
    {
        for (const auto& row : rows) {
            if (row->state == Row::invalid)
                ++invalid;
            else if (row->state == Row::stopped)
                ++stopped;
            else if (row->state == Row::waiting)
                ++notStarted;
            else if (row->lastStatus == "Finished!")
                ++finished;
            else if (row->lastStatus == "Previously Downloaded!")
                ++previously;
            else
                failures.push_back("failed: " + row->text + ": " + row->lastStatus);
        }
        failed = failures.size();
    }

    bool AllSucceeded() const { return failed + invalid + stopped + notStarted == 0; }

    std::string Line(size_t duplicates, size_t leftOut) const
    {
        std::string line = std::to_string(finished) + " finished, " + std::to_string(previously)
                           + " previously downloaded, " + std::to_string(failed) + " failed, "
                           + std::to_string(invalid) + " invalid";
        if (stopped != 0)
            line += ", " + std::to_string(stopped) + " stopped";
        if (notStarted != 0)
            line += ", " + std::to_string(notStarted) + " not started";
        if (duplicates != 0)
            line += ", " + std::to_string(duplicates) + " duplicates skipped";
        if (leftOut != 0)
            line += ", " + std::to_string(leftOut) + " left out";
        return line;
    }
};

wxString ReportStatus(const Row& row)
{
    switch (row.state) {
    case Row::stopped:
        return "Stopped";
    case Row::waiting:
        return "Not Started";
    default:
        return row.lastStatus;
    }
}

class FetchRun
{
public:
    FetchRun(const FetchOptions& options, long maxThreads, const FetchSettings& settings,
             RowList& list)
        : options(options), maxThreads(maxThreads), settings(settings), list(list), rows(list.Rows())
    {
    }

    int Run()
    {
        view = MakeView();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i]->state == Row::invalid) {
                view->Status(static_cast<int>(i), rows[i]->lastStatus);
                view->Ended(static_cast<int>(i));
            }
        }
        bool stoppedBySignal = false;
        {
            SignalWatcher watcher([this] { queue.Push(nullptr); });
            StartWaiting();
            view->Idle();
            while (running > 0 && view->Error() == 0) {
                std::unique_ptr<wxEvent> event = queue.Take();
                if (!event) {
                    stoppedBySignal = true;
                    break;
                }
                Handle(*event);
                if (queue.Empty())
                    view->Idle();
            }
            // Whoever reads the statuses is gone (or the disk is full): stopped
            // as by a signal, since nobody would learn how the jobs end.
            const size_t stopped = StopAll();
            view->Idle();
            if (stoppedBySignal)
                std::fprintf(stderr, "Stopped %zu document%s.\n", stopped, stopped == 1 ? "" : "s");
        }
        if (view->Error() != 0)
            PrintError(wxString("standard output: ") + std::strerror(view->Error()));
        const Summary summary(rows);
        const bool reported = WriteTheReport();
        std::fprintf(stderr, "%s\n", summary.Line(list.Duplicates(), list.LeftOut()).c_str());
        for (const wxString& failure : summary.failures)
            std::fprintf(stderr, "%s\n", failure.utf8_str().data());
        return summary.AllSucceeded() && list.LeftOut() == 0 && reported && view->Error() == 0 ? 0 : 1;
    }

private:
    std::unique_ptr<StatusView> MakeView() const
    {
        const char* term = std::getenv("TERM");
        if (!isatty(STDOUT_FILENO) || (term && std::strcmp(term, "dumb") == 0))
            return std::make_unique<LinePrinter>();
        std::vector<wxString> entries;
        for (const auto& row : rows)
            entries.push_back(row->text);
        return std::make_unique<ProgressDisplay>(entries);
    }

    void StartWaiting()
    {
        while (running < maxThreads && next < rows.size()) {
            Row& row = *rows[next];
            const int index = static_cast<int>(next++);
            if (row.state != Row::waiting)
                continue;
            pat2pdf* job = MakeJob(row.entry, index, &queue, settings, opsContext.get(), ppubsContext.get());
            if (options.retryStepMs > 0)
                job->SetRetryStepMs(static_cast<unsigned>(options.retryStepMs));
            row.job = job;
            row.state = Row::running;
            if (row.job->Create() != wxTHREAD_NO_ERROR || row.job->Run() != wxTHREAD_NO_ERROR) {
                delete row.job;
                row.job = nullptr;
                row.state = Row::ended;
                row.lastStatus = "Error Starting Download";
                view->Status(index, row.lastStatus);
                view->Ended(index);
                continue;
            }
            ++running;
        }
    }

    void Handle(wxEvent& event)
    {
        const wxEventType type = event.GetEventType();
        auto& command = static_cast<wxThreadEvent&>(event);
        if (command.GetId() < 0 || static_cast<size_t>(command.GetId()) >= rows.size())
            return;  // a fetched page's event names no row
        Row& row = *rows[command.GetId()];
        if (type == EVT_JOB_STATUS) {
            row.lastStatus = command.GetString();
            view->Status(command.GetId(), row.lastStatus);
        } else if (type == EVT_JOB_DONE) {
            row.file = command.GetString();
        } else if (type == EVT_JOB_EXIT && row.job) {
            row.job->Wait();
            delete row.job;
            row.job = nullptr;
            row.state = Row::ended;
            --running;
            view->Ended(command.GetId());
            StartWaiting();
        }
    }

    // Like closing the window: each running job stopped in row order; a
    // stopped job's writer deletes its unfinished file.
    // The stop requests go out together, so a stalled request in one job
    // does not delay the others' ends. Returns how many were stopped.
    size_t StopAll()
    {
        std::vector<std::thread> stoppers;
        for (auto& row : rows)
            if (row->job)
                stoppers.emplace_back([job = row->job] { StopThread(*job); });
        for (std::thread& stopper : stoppers)
            stopper.join();
        for (size_t i = 0; i < rows.size(); ++i) {
            Row& row = *rows[i];
            if (!row.job)
                continue;
            delete row.job;
            row.job = nullptr;
            row.state = Row::stopped;
            view->Status(static_cast<int>(i), "Stopped");
            view->Ended(static_cast<int>(i));
        }
        running = 0;
        return stoppers.size();
    }

    bool WriteTheReport() const
    {
        if (options.report.empty())
            return true;
        std::vector<ReportRow> report;
        for (const auto& row : rows)
            report.push_back({row->text, row->entry.Valid() ? row->entry.number : wxString(),
                              ReportStatus(*row), row->file});
        wxString error;
        if (WriteReport(wxString::FromUTF8(options.report), report, error))
            return true;
        PrintError(error);
        return false;
    }

    const FetchOptions& options;
    const long maxThreads;
    const FetchSettings settings;
    RowList& list;
    std::vector<std::unique_ptr<Row>>& rows;
    // Shared by the run's OPS and Patent Public Search jobs; declared before
    // the queue, so they outlive their jobs.
    const std::shared_ptr<OpsContext> opsContext = NewOpsContext();
    const std::shared_ptr<PpubsContext> ppubsContext = NewPpubsContext();
    EventQueue queue;
    std::unique_ptr<StatusView> view;
    size_t next = 0;
    long running = 0;
};

// A report that could not be written would lose the run's outcome: its
// folder is checked before anything is downloaded.
bool ReportFolderWritable(const std::string& report)
{
    const wxFileName name(wxString::FromUTF8(report));
    const wxString folder = name.GetPath().empty() ? wxString(".") : name.GetPath();
#ifdef __WINDOWS__
    // Folders there have no search permission to ask about.
    if (_waccess(folder.wc_str(), 2) == 0)
        return true;
#else
    if (access(folder.fn_str(), W_OK | X_OK) == 0)
        return true;
#endif
    PrintError(wxString::FromUTF8(report) + ": " + std::strerror(errno));
    return false;
}

}  // namespace

int RunFetch(const std::vector<std::string>& args)
{
    // A closed reader of the output and a file-size limit make writes fail,
    // which the run reports and stops on, instead of killing it with its
    // partial files behind.
#ifndef __WINDOWS__
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    FetchOptions options;
    if (!ParseOptions(args, options)) {
        if (options.problem.empty())
            std::fputs(FetchUsage().c_str(), stderr);
        else
            std::fprintf(stderr, "folioharvester-cli: %s\n", options.problem.c_str());
        return 64;
    }
    if (options.help) {
        std::fputs(FetchUsage().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        PrintError("cannot initialise wxWidgets");
        return 1;
    }
    BuildLibraryStateEarly();
    bool traceOpened = true;
    const std::shared_ptr<HttpTrace> trace = options.trace.Open(traceOpened);
    if (!traceOpened)
        return 64;
    if (!options.report.empty() && !ReportFolderWritable(options.report))
        return 1;
    RowList list;
    for (const std::string& text : options.texts)
        list.AddArgument(ArgumentText(text));
    for (const std::string& path : options.listFiles)
        if (!list.AddListFile(wxString::FromUTF8(path)))
            return 1;
    long maxThreads = 3;
    if (!options.settings.path.empty())
        UseSettingsFile(wxString(options.settings.path.c_str(), *wxConvFileName));
    FetchSettings settings = LoadSettings(maxThreads);
    settings.network.trace = trace;
    for (const wxString& warning : settings.services.warnings)
        PrintError(warning);
    if (options.hasMaxThreads)
        maxThreads = options.maxThreads;
    maxThreads = std::clamp(maxThreads, 1L, 511L);
    FetchRun run(options, maxThreads, settings, list);
    return run.Run();
}
