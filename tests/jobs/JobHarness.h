#pragma once

#include <wx/event.h>
#include <wx/thread.h>

#include <functional>
#include <memory>
#include <utility>
#include <string>
#include <vector>

class pat2pdf;

// Collects the events jobs post, in posting order, and lets the test thread
// wait for them with a bound.
class EventCollector : public wxEvtHandler
{
public:
    struct Posted
    {
        wxEventType type;
        int id;
        wxString text;
        const void* job;
    };

    EventCollector();
    void QueueEvent(wxEvent* event) override;

    // Waits until `done` holds for the events so far, at most `timeoutMs`.
    bool WaitFor(const std::function<bool(const std::vector<Posted>&)>& done, int timeoutMs);
    bool WaitForExit(int timeoutMs) { return WaitFor(HasExit, timeoutMs); }
    bool WaitForStatus(const wxString& fragment, int timeoutMs);

    std::vector<Posted> Events() const;
    std::vector<wxString> Statuses() const;
    std::vector<wxString> Texts(wxEventType type) const;
    int Count(wxEventType type) const;

    static bool HasExit(const std::vector<Posted>& events);

private:
    mutable wxMutex lock;
    wxCondition changed;
    std::vector<Posted> events;
};

// Runs a job to its end: Create, Run, wait for its exit event (bounded),
// Wait. False when it did not end in time (the job is then stopped).
bool RunToEnd(std::unique_ptr<wxThread> job, EventCollector& events, int timeoutMs = 60000);

// Output of a shell command and its exit status.
std::string Shell(const std::string& command, int* status = nullptr);
int QpdfPages(const std::string& pdf);
bool QpdfCheck(const std::string& pdf);

using Outline = std::vector<std::pair<std::string, int>>;

// What qpdf reads in a PDF: per page its box and its image's raw data,
// and the outline as (title, page) in order.
struct PdfContent
{
    std::vector<std::vector<double>> boxes;
    std::vector<std::string> images;
    Outline outline;
};

// `scratch` is a folder for qpdf's stream files.
PdfContent ReadPdf(const std::string& pdf, const std::string& scratch);
