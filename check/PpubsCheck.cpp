#include "check/PpubsCheck.h"

#include "settings/ServiceSettings.h"

#include <wx/filename.h>

PpubsCheck::PpubsCheck(HttpsClient& http, const ServiceSettings& services, const PpubsClient::StopTest& stopTest)
    : client(http, PpubsPaths(services.ppubsUrl, services.ppubsImageUrl), context)
{
    client.SetStopTest(stopTest);
}

bool PpubsCheck::Search(wxString& detail)
{
    if (!client.OpenSession()) {
        detail = client.LastFailure().text;
        return false;
    }
    const std::optional<PpubsDocument> document = client.Search(knownDocument);
    if (!document) {
        detail = "a session, but " + client.LastFailure().text;
        return false;
    }
    detail = wxString::Format("page, session and search work: %s has %d pages", knownDocument,
                              document->pageCount);
    return true;
}

bool PpubsCheck::DirectPdf(wxString& detail)
{
    const std::optional<std::string> pdf = client.DirectPdf(knownDocument);
    if (!pdf) {
        detail = wxString("no PDF of ") + knownDocument + ": " + client.LastFailure().text;
        return false;
    }
    detail = wxString("the PDF of ") + knownDocument + " came (" +
             wxFileName::GetHumanReadableSize(wxULongLong(pdf->size())) + ")";
    return true;
}
