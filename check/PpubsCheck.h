#pragma once

#include "services/ppubs/PpubsClient.h"

#include <wx/string.h>

class HttpsClient;
struct ServiceSettings;

// The Patent Public Search part of the check, once its hosts are reached:
// the service's page, a session and a search, and the direct PDF of a known
// document from the image host. Only the client's public steps are used, so
// the check follows whatever the client does for a download. Each step is
// true when it worked; `detail` says what was found in one line.
class PpubsCheck
{
public:
    // A utility patent of twelve pages that the service has long served.
    static constexpr const char* knownDocument = "6103599";

    PpubsCheck(HttpsClient& http, const ServiceSettings& services, const PpubsClient::StopTest& stopTest);

    // The page, a session and a search for the known document.
    bool Search(wxString& detail);
    // The known document's PDF, straight from the image host.
    bool DirectPdf(wxString& detail);

private:
    PpubsContext context;  // the check's own session
    PpubsClient client;
};
