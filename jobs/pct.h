#pragma once

#include "jobs/pat2pdf.h"
#include "settings/Hosts.h"

#include <cstdint>

class PdfWriter;

// Fetches one document of another office from the EPO's OPS service into a
// PDF in the working directory.
class pct : public pat2pdf
{
public:
    pct(const wxString& number, int row, wxEvtHandler* sink, const Hosts& hosts = Hosts::Load(),
        const NetworkSettings& network = NetworkSettings());
    ~pct() override;

    bool FetchImageList(const wxString& number);
    // One attempt at `page`; `cause` says why it was not added.
    PageAttempt FetchPage(PdfWriter& writer, uint32_t page, wxString& cause);

protected:
    ExitCode Entry() override;

private:
    // Writes the PDF page by page; true once it is complete and announced.
    bool FetchPages(const wxString& path);
    wxString ConnectionError() const;

    HttpSession opsSession;
    wxString imageHost;
    wxString imagePath;
    uint32_t pageCount = 0;
    Hosts hosts;
};
