// Drives the real main window through one import of a list file and prints
// what a user would feel: how long until the rows are drawn, how late the
// event loop answers while the jobs run, and the memory before and after.
// Run by bench/window-import-bench, which sets up HOME and the simulator.
#include "app/MyApp.h"
#include "app/MyFrame.h"
#include "app/harvesterDrop.h"

#include <wx/app.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <vector>

namespace {

long ResidentKb()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long PeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class CountingLog : public wxLog
{
protected:
    void DoLogRecord(wxLogLevel, const wxString& text, const wxLogRecordInfo&) override
    {
        std::printf("logged %s\n", static_cast<const char*>(text.BeforeFirst('\n').utf8_str()));
    }
};

class BenchApp : public wxApp
{
public:
    bool OnInit() override
    {
        if (argc < 3) {
            std::fprintf(stderr, "usage: window-import-bench LIST SECONDS\n");
            return false;
        }
        // A message box would wait for a user; the messages are counted and
        // their first lines printed instead.
        delete wxLog::SetActiveTarget(new CountingLog);
        listPath = argv[1];
        runSeconds = wxAtoi(argv[2]);
        frame = MyApp::CreateMainWindow();
        list = static_cast<wxListView*>(wxWindow::FindWindowByName("listCtrl", frame));
        // Let the window settle before measuring.
        CallAfter([this] { settle.StartOnce(500); });
        settle.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Import(); });
        return true;
    }

private:
    void Import()
    {
        before = ResidentKb();
        wxStopWatch watch;
        wxArrayString files;
        files.Add(listPath);
        static_cast<harvesterDrop*>(frame->GetDropTarget())->OnDropFiles(0, 0, files);
        const long imported = watch.Time();
        frame->Update();  // the rows as the user sees them
        toRows = watch.Time();
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        std::printf("rows %d\nimport_ms %ld\ntime_to_rows_ms %ld\n", list->GetItemCount(), imported,
                    toRows);
        afterImport = ResidentKb();
        clock.Start();
        tick.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
        tick.Start(tickMs);
    }

    // Every tick is due tickMs after the previous one; how much later it
    // comes is how long the loop was busy.
    void Tick()
    {
        const long now = clock.Time();
        lateness.push_back(std::max(0L, now - lastTick - tickMs));
        lastTick = now;
        if (now < runSeconds * 1000L)
            return;
        tick.Stop();
        Report();
        wxStopWatch closing;
        frame->Close(true);
        std::printf("close_ms %ld\n", closing.Time());
        ExitMainLoop();
    }

    void Report()
    {
        std::map<wxString, int> statuses;
        for (long row = 0; row < list->GetItemCount(); ++row) {
            wxString status = list->GetItemText(row, 1);
            if (status.StartsWith("Downloading"))
                status = "Downloading...";
            ++statuses[status];
        }
        std::sort(lateness.begin(), lateness.end());
        const auto at = [&](double share) {
            return lateness.empty() ? 0L : lateness[size_t(share * (lateness.size() - 1))];
        };
        std::printf("run_s %d\nloop_late_median_ms %ld\nloop_late_p99_ms %ld\nloop_late_max_ms %ld\n",
                    runSeconds, at(0.5), at(0.99), at(1.0));
        for (const auto& [status, count] : statuses)
            std::printf("status %d %s\n", count, static_cast<const char*>(status.utf8_str()));
        std::printf("rss_before_kb %ld\nrss_after_import_kb %ld\nrss_end_kb %ld\npeak_kb %ld\n",
                    before, afterImport, ResidentKb(), PeakKb());
    }

    static constexpr long tickMs = 20;
    wxString listPath;
    int runSeconds = 10;
    MyFrame* frame = nullptr;
    wxListView* list = nullptr;
    wxTimer settle, tick;
    wxStopWatch clock;
    long lastTick = 0, toRows = 0, before = 0, afterImport = 0;
    std::vector<long> lateness;
};

}  // namespace

wxIMPLEMENT_APP(BenchApp);
