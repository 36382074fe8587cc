#pragma once

#include <wx/string.h>

#include <functional>

class HttpsClient;
struct ServiceSettings;

// The publication server's part of the check, once the service is reached:
// a known document found the way a download finds it (the grant probed
// before the application), and the weekly quota the answers tell, when they
// tell it. True when the document was found; `detail` says what was found
// in one line.
bool CheckEpsDocument(HttpsClient& http, const ServiceSettings& services, const std::function<bool()>& stopTest,
                      wxString& detail);
