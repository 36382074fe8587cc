#pragma once

#include "jobs/pat2pdf.h"
#include "settings/Hosts.h"

#include <vector>

// Fetches one US document (granted patent of any series, or published
// application, possibly given by serial number) from the USPTO page-image
// servers into a PDF in the working directory.
class uspto : public pat2pdf
{
public:
    uspto(const wxString& number, int row, wxEvtHandler* sink, const Hosts& hosts = Hosts::Load(),
          const NetworkSettings& network = NetworkSettings());
    ~uspto() override;

    bool GetPageList(const wxString& docId);
    wxString FindPublicationNumber(const wxString& query);

protected:
    ExitCode Entry() override;

private:
    // Writes the PDF page by page; true once it is complete and announced.
    bool FetchPages(const wxString& path);

    int numPages = 0;
    std::vector<wxString> pageUrls;
    wxString host;
    wxString lastError;
    Hosts hosts;
};
