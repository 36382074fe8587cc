#pragma once

#include "net/HttpSession.h"
#include "net/RetryDecision.h"
#include "settings/NetworkSettings.h"

#include <wx/event.h>
#include <wx/filename.h>
#include <wx/string.h>
#include <wx/thread.h>

#include <cstdint>
#include <functional>
#include <memory>

class HttpsClient;
class PdfWriter;
class wxInputStream;

// The common base of the download jobs: one joinable worker thread per
// document. A job talks to the window only by posting events to `sink`;
// it never touches a window.
class pat2pdf : public wxThread
{
public:
    ~pat2pdf() override;

    // The wait between retry countdown steps (RetryDecision::stepMs in the
    // program); tests shorten it so a fault does not cost ten real seconds.
    void SetRetryStepMs(unsigned ms) { retryStepMs = ms; }
    // Makes the PDF searchable once it is complete, read in the languages
    // of `office` ("US", "EP"); empty: not.
    void SetOcrOffice(const wxString& office) { ocrOffice = office; }

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
    // The retry countdown: posts statusFor(n) for n = RetryDecision's
    // countdownSteps down to 1, one step apart. False when the job was asked
    // to stop meanwhile.
    bool CountDown(const std::function<wxString(int)>& statusFor);
    // The countdown of today's routes before `cause` is tried again, then
    // `busyStatus` once more; false when the job was asked to stop.
    bool CountDownToRetry(const wxString& cause, const wxString& busyStatus);
    // Ties the client's transfers to this job's stop, or posts why the client
    // cannot be used (its certificate authorities, say) and returns false.
    bool UsableClient(HttpsClient& http);
    // Names outFile after `number` in the working directory; true, with the
    // file announced as done, when a complete PDF is there already and
    // nothing is to fetch. That file too is made searchable first when the
    // job is to, so a document whose recognition was stopped gets its text
    // the next time.
    bool PreviouslyDownloaded();
    // Completes the PDF at `path` and makes it searchable when the job is
    // to, then posts "Finished!" and the done event; false (and no
    // announcement) when stopped or when the file could not be completed.
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
    // Posts `status` (with the searchable step's note after it) and the
    // done event for the complete PDF at `path`, once it is made searchable
    // when the job is to; false, with nothing posted, when stopped meanwhile.
    bool Announce(const wxString& status, const wxString& path);

    wxEvtHandler* sink;
    unsigned retryStepMs = RetryDecision::stepMs;
    int unreadablePage = 0;
    int unreadableAnswers = 0;
    wxString ocrOffice;
};
