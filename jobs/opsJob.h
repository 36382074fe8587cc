#pragma once

#include "jobs/pat2pdf.h"
#include "net/ServiceSettings.h"
#include "numbers/Classification.h"
#include "services/ops/OpsVerdict.h"

#include <chrono>
#include <memory>
#include <string>

class HttpsClient;
class OpsContext;
class OpsInquiry;
class OpsPacer;
struct HttpAnswer;
struct OpsInstance;
struct OpsNumber;

// Fetches one document through EPO Open Patent Services 3.2 into a PDF in
// the working directory: a token, the image inquiry, then the pages of the
// chosen image set, every request spaced and held as the service asks.
class opsJob : public pat2pdf
{
public:
    // `entry` and the settings are copied; `context`, the state every OPS job
    // of the run shares, belongs to the window or the command-line run and
    // outlives the job.
    opsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
           const ServiceSettings& services, OpsContext* context);
    ~opsJob() override;

    static constexpr const char* keyNeededStatus = "EPO OPS key needed: File > Setup > Services";
    // A page or an inquiry easily fits; the cap only stops a runaway answer.
    static constexpr size_t bodyCap = 64u * 1024 * 1024;
    // The waits OPS asks of one document add up to at most this; a wait
    // that would pass it ends the job.
    static constexpr std::chrono::milliseconds mostWaiting{3'600'000};
    static constexpr const char* waitedTooLongStatus = "EPO OPS waits passed an hour: try again later";

protected:
    ExitCode Entry() override;

private:
    // What to do after one answer.
    enum class Next { use, renew, again, end };

    bool HasKey() const;
    // The status for an entry that has no OPS form.
    wxString NoOpsFormStatus() const;
    bool FetchInquiry(const OpsNumber& number, OpsInquiry& inquiry);
    bool FetchPages(const OpsInstance& instance, const wxString& path);
    // GETs `url` in a slot of `pacer` with a usable token until the answer is
    // the one asked for (true) or the job ends (false, its last status
    // posted unless stopped). `busyStatus` is shown again after a wait.
    bool Fetch(const wxString& url, OpsPacer& pacer, const wxString& busyStatus, HttpAnswer& answer);
    // A token to send, fetched when none is usable; false when the job ends.
    bool Authorize(std::string& token, const wxString& busyStatus);
    bool UsableToken(std::string& token) const;
    // Reads what `answer` means, waits or counts down when it asks for that.
    Next Judge(const HttpAnswer& answer, OpsVerdict::Request request, OpsPacer& pacer,
               const wxString& busyStatus, OpsVerdict& verdict);
    bool WaitTurn(OpsPacer& pacer, const wxString& busyStatus);
    // Counts a wait OPS asked for; false, with the job's last status
    // posted, once the document's waits pass mostWaiting.
    bool MayWait(std::chrono::milliseconds wait);
    wxString ServiceUrl(const wxString& path) const;

    const Classification entry;  // kind, typed number, file
    const ServiceSettings services;  // caFile, opsUrl, opsKey, opsSecret
    OpsContext* const context;
    std::unique_ptr<HttpsClient> client;  // made on the job's thread, which alone uses it
    std::chrono::milliseconds waited{0};  // asked of this document so far
};
