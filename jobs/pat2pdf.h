#pragma once

#include "net/HttpSession.h"
#include "net/NetworkSettings.h"

#include <wx/event.h>
#include <wx/filename.h>
#include <wx/string.h>
#include <wx/thread.h>

#include <cstdint>
#include <functional>
#include <memory>

class PdfWriter;
class wxInputStream;

// The common base of the download jobs: one joinable worker thread per
// document. A job talks to the window only by posting events to `sink`;
// it never touches a window.
class pat2pdf : public wxThread
{
public:
    ~pat2pdf() override;

    // The wait between retry countdown steps. One second in the program;
    // tests shorten it so a fault does not cost ten real seconds.
    void SetRetryStepMs(unsigned ms) { retryStepMs = ms; }

    // Page counts above this are refused: a hostile answer must not make a
    // job allocate or request without bound.
    static constexpr uint32_t maxPages = 20000;

    // Answers that arrive but never make a readable page are given this many
    // retry countdowns before the job gives the page up; failures to get an
    // answer at all are retried for as long as the job runs.
    static constexpr int unreadablePageCountdowns = 5;

protected:
    // `network` is copied here, on the creating thread: the job never reads
    // the settings the window may change while it runs.
    pat2pdf(int row, wxEvtHandler* sink, const NetworkSettings& network = NetworkSettings());

    void OnExit() override;
    ExitCode Entry() override = 0;

    // Posts `text` as one line: a status row, or a line of the command
    // line's output, never splits.
    void PostStatus(const wxString& text);
    void PostDone(const wxString& path);
    wxEvtHandler* Sink() const { return sink; }
    // One step of a retry countdown; false when the job was asked to stop.
    bool SleepStep();
    // TestDestroy() that may also be asked before the thread runs (from the
    // constructor), where nothing can have been requested yet.
    bool StopRequested();
    // The retry countdown: posts statusFor(n) for n = 10 down to 1, one step
    // apart. False when the job was asked to stop meanwhile.
    bool CountDown(const std::function<wxString(int)>& statusFor);
    // The countdown of today's services before a request that got no answer
    // (or a busy server's) is sent again: "Error CAUSE Reconnecting in Ns",
    // then `busyStatus` again. False when the job was asked to stop.
    bool RetryAfterCountDown(const wxString& cause, const wxString& busyStatus);
    // Names outFile after `number` in the working directory; true, with the
    // file announced as done, when a complete PDF is there already and
    // nothing is to fetch.
    bool PreviouslyDownloaded();
    // Completes the PDF at `path`, then posts "Finished!" and the done event;
    // false (and no announcement) when stopped or when the file could not be
    // completed.
    bool Finish(PdfWriter& writer, const wxString& path);

    // How one attempt at a page ended.
    enum class PageAttempt { Added, NoAnswer, Unreadable, WriterFailed };
    // Adds `body`, what `http`'s last request gave (null when no stream), to
    // `writer`; `cause` says why the page was not added.
    static PageAttempt AddAnswer(const HttpSession& http, std::unique_ptr<wxInputStream> body,
                                 PdfWriter& writer, wxString& cause);
    // Adds the page in `body`, an answer's body (null when it had none), to
    // `writer`; never NoAnswer.
    static PageAttempt AddPage(wxInputStream* body, PdfWriter& writer, wxString& cause);
    // Counts one unreadable answer for `page`; true, with the job's last
    // status posted, once the page has had all its countdowns.
    bool GiveUpOnPage(int page, const wxString& cause);

    HttpSession session;
    const NetworkSettings network;
    wxString number;
    int row;
    wxFileName outFile;
    int connectError = 0;

private:
    void Post(wxEventType type, const wxString& text);

    wxEvtHandler* sink;
    unsigned retryStepMs = 1000;
    int unreadablePage = 0;
    int unreadableAnswers = 0;
};
