#pragma once

#include "jobs/pat2pdf.h"
#include "numbers/Classification.h"
#include "pdf/PdfFaxPages.h"
#include "settings/ServiceSettings.h"

#include <optional>
#include <string>
#include <utility>

class PpubsClient;
class PpubsContext;
struct PpubsDocument;
struct PpubsNumber;

// Fetches one US document from the USPTO's Patent Public Search into a PDF
// in the working directory: the image host's PDF when it gives it, else the
// service's own PDF, else the print job the search page runs. The office's
// fax pages are lifted into our own PDF unchanged; a PDF of other pages is
// kept as it came.
class ppubsJob : public pat2pdf
{
public:
    // `entry` and the settings are copied; `context`, the session and
    // budgets every Patent Public Search job of the run shares, belongs to
    // the window or the command-line run and outlives the job.
    ppubsJob(const Classification& entry, int row, wxEvtHandler* sink, const NetworkSettings& network,
             const ServiceSettings& services, PpubsContext* context);

    // A few hundred pages of fax data fit many times over; the cap only
    // stops a runaway answer.
    static constexpr size_t bodyCap = 512u * 1024 * 1024;
    static constexpr const char* serialStatus =
        "US serial numbers cannot be fetched from Patent Public Search: enter the publication number";

protected:
    ExitCode Entry() override;

private:
    // An office's PDF, read once: its bytes and, when it is made of them,
    // its fax pages.
    struct OfficePdf
    {
        std::string bytes;
        PdfFaxPages fax;

        explicit OfficePdf(std::string pdf) : bytes(std::move(pdf)), fax(bytes) {}
        // What Write() can make a document of: fax pages, or a whole PDF.
        bool Usable() const;
    };

    // The office's PDF of `number`, its search answer in `document` when the
    // print job was needed; nullopt, with the job's last status posted
    // unless stopped, when there is none.
    std::optional<OfficePdf> Download(PpubsClient& client, const PpubsNumber& number,
                                      std::optional<PpubsDocument>& document);
    std::optional<std::string> ViaPrintJob(PpubsClient& client, const PpubsNumber& number,
                                           std::optional<PpubsDocument>& document);
    bool Write(const OfficePdf& pdf, const std::optional<PpubsDocument>& document, const wxString& path);
    bool Lift(const PdfFaxPages& pages, const std::optional<PpubsDocument>& document, const wxString& path);
    bool KeepAsServed(const std::string& pdf, const std::optional<PpubsDocument>& document,
                      const wxString& liftError, const wxString& path);
    bool PageCountDiffers(int pages, const std::optional<PpubsDocument>& document);
    void PostFailure(const PpubsClient& client);

    const Classification entry;
    const ServiceSettings services;  // caFile, ppubsUrl, ppubsImageUrl
    PpubsContext* const context;
};
