#include "check/EpsCheck.h"

#include "settings/ServiceSettings.h"
#include "services/eps/EpsClient.h"
#include "services/eps/EpsContext.h"

#include <wx/filename.h>

namespace {

// Published in 2000, long before any deployment of the server.
const char* const knownDocument = "EP1000000";

wxString Bytes(unsigned long long bytes)
{
    return wxFileName::GetHumanReadableSize(wxULongLong(bytes));
}

wxString WeeklyQuota(const EpsContext::Quota& quota)
{
    if (!quota.used && !quota.remaining)
        return wxString();
    wxString text = "; weekly quota";
    if (quota.used)
        text += " used " + Bytes(*quota.used);
    if (quota.used && quota.remaining)
        text += ",";
    if (quota.remaining)
        text += " " + Bytes(*quota.remaining) + " remaining";
    return text;
}

}  // namespace

bool CheckEpsDocument(HttpsClient& http, const ServiceSettings& services, const std::function<bool()>& stopTest,
                      wxString& detail)
{
    EpsContext context;
    EpsClient client(http, context, services.epsUrl);
    client.SetStopTest(stopTest);
    const std::optional<wxString> id = client.DocumentId(*EpsNumber::FromEntry(knownDocument));
    const EpsClient::Failure& failure = client.LastFailure();
    if (id)
        detail = wxString(knownDocument) + " is there as " + *id;
    else if (failure.kind == EpsClient::Failure::Kind::blocked)
        detail = failure.text;
    else
        detail = wxString("no ") + knownDocument + ": " + failure.text;
    detail += WeeklyQuota(context.WeeklyQuota());
    return id.has_value();
}
