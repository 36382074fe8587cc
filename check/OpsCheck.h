#pragma once

#include "settings/ServiceSettings.h"

#include <wx/string.h>

class HttpsClient;

// The EPO OPS part of the check, once the service is reached: the consumer
// key and secret asked at the token endpoint, then one image inquiry of a
// known document, whose answer tells the service's load and the account's
// quota used. True when all went well; `detail` says what was found in one
// line, never the secret.
bool CheckOpsKey(HttpsClient& http, const ServiceSettings& services, wxString& detail);
