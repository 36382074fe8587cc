#include "jobs/pat2pdf.h"

#include "jobs/JobEvents.h"
#include "jobs/OutputFile.h"
#include "jobs/SearchableDownload.h"
#include "net/HttpsClient.h"
#include "pdf/CompletePdf.h"
#include "pdf/PdfWriter.h"

#include <wx/event.h>
#include <wx/stream.h>

#include <algorithm>

namespace {

// Line breaks, which some error texts carry, become one blank.
wxString OneLine(const wxString& text)
{
    wxString line;
    bool inBreak = false;
    for (wxUniChar c : text) {
        const bool isBreak = c == '\r' || c == '\n';
        if (isBreak && !inBreak)
            line += ' ';
        else if (!isBreak)
            line += c;
        inBreak = isBreak;
    }
    return line.Trim(true).Trim(false);
}

}  // namespace

pat2pdf::pat2pdf(int row, wxEvtHandler* sink, const NetworkSettings& network)
    : wxThread(wxTHREAD_JOINABLE), session(0, "", "", "", ""), network(network), row(row), sink(sink)
{
    session.SetStopTest([this] { return StopRequested(); });
    session.SetTrace(network.trace);
    PostStatus("Downloading");
}

pat2pdf::~pat2pdf() = default;

bool pat2pdf::StopRequested()
{
    if (wxThread::This() != this)
        return false;
    return TestDestroy();
}

void pat2pdf::Post(wxEventType type, const wxString& text)
{
    if (!sink)
        return;
    wxThreadEvent event(type, -1);
    event.SetId(row);
    event.SetString(text);
    event.SetPayload<wxThread*>(this);
    wxQueueEvent(sink, event.Clone());
}

void pat2pdf::PostStatus(const wxString& text)
{
    if (!StopRequested())
        Post(EVT_JOB_STATUS, OneLine(text));
}

void pat2pdf::PostDone(const wxString& path)
{
    Post(EVT_JOB_DONE, path);
}

void pat2pdf::OnExit()
{
    if (!StopRequested())
        Post(EVT_JOB_EXIT, outFile.GetFullPath());
}

bool pat2pdf::SleepStep()
{
    // Slept in short slices so a stop request is seen well within the step.
    const unsigned slice = 50;
    for (unsigned slept = 0; slept < retryStepMs; slept += slice) {
        if (TestDestroy())
            return false;
        wxThread::Sleep(std::min(slice, retryStepMs - slept));
    }
    return !TestDestroy();
}

bool pat2pdf::CountDown(const std::function<wxString(int)>& statusFor)
{
    for (int n = RetryDecision::countdownSteps; n >= 1; --n) {
        if (StopRequested())
            return false;
        PostStatus(statusFor(n));
        if (!SleepStep())
            return false;
    }
    return true;
}

bool pat2pdf::CountDownToRetry(const wxString& cause, const wxString& busyStatus)
{
    if (!CountDown([&cause](int n) { return RetryDecision::CountdownStatus(cause, n); }))
        return false;
    PostStatus(busyStatus);
    return true;
}

bool pat2pdf::UsableClient(HttpsClient& http)
{
    if (http.SetupFailure().Failed()) {
        PostStatus(http.SetupFailure().text);
        return false;
    }
    http.SetStopTest([this] { return StopRequested(); });
    return true;
}

bool pat2pdf::PreviouslyDownloaded()
{
    outFile = OutputFileFor(number);
    // A file cut short (by a crash, a full disk, another program) is no
    // document: it is downloaded again and replaced.
    if (!IsCompletePdf(outFile.GetFullPath()))
        return false;
    Announce("Previously Downloaded!", outFile.GetFullPath());
    return true;
}

bool pat2pdf::Finish(PdfWriter& writer, const wxString& path)
{
    // Completed before it is announced, so whoever opens or prints it on
    // "Finished!" finds the whole file.
    if (StopRequested())
        return false;
    if (!writer.Close()) {
        PostStatus("Error Writing PDF " + writer.GetError());
        return false;
    }
    return Announce("Finished!", path);
}

bool pat2pdf::Announce(const wxString& status, const wxString& path)
{
    wxString note;
    if (!ocrOffice.empty()) {
        int shown = 0;
        const std::optional<wxString> made =
            SearchableDownload::Run(path, ocrOffice, [this, &shown](int done, int total) {
                if (StopRequested())
                    return false;
                const int page = std::min(done + 1, total);
                if (page != shown)
                    PostStatus(wxString::Format("Making searchable: page %d of %d", page, total));
                shown = page;
                return true;
            });
        if (!made)
            return false;
        note = *made;
    }
    PostStatus(note.empty() ? status : status + " " + note);
    PostDone(path);
    return true;
}

pat2pdf::PageAttempt pat2pdf::AddAnswer(const HttpSession& http, std::unique_ptr<wxInputStream> body,
                                        PdfWriter& writer, wxString& cause)
{
    if (!body && !http.Answered()) {
        cause = http.GetError();
        return PageAttempt::NoAnswer;
    }
    const PageAttempt attempt = AddPage(body.get(), writer, cause);
    if (attempt == PageAttempt::Unreadable && http.GetStatusCode() != 200)
        cause = wxString::Format("server answered %u", http.GetStatusCode());
    return attempt;
}

pat2pdf::PageAttempt pat2pdf::AddPage(wxInputStream* body, PdfWriter& writer, wxString& cause)
{
    if (body && writer.AddPage(*body))
        return PageAttempt::Added;
    if (!writer.IsOk()) {
        cause = writer.GetError();
        return PageAttempt::WriterFailed;
    }
    cause = body ? "not a readable TIFF image" : "empty answer";
    return PageAttempt::Unreadable;
}

bool pat2pdf::GiveUpOnPage(int page, const wxString& cause)
{
    if (page != unreadablePage) {
        unreadablePage = page;
        unreadableAnswers = 0;
    }
    if (++unreadableAnswers <= unreadablePageCountdowns)
        return false;
    PostStatus(wxString::Format("Page %d: %s", page, cause));
    return true;
}
