// Any bytes as an answer of EPO OPS 3.2: the image inquiry, an error body
// of any status, the token endpoint's JSON. Each is read or refused in one
// line; nothing it says can name a page set outside the service.
#include "services/ops/OpsErrorBody.h"
#include "services/ops/OpsInquiry.h"
#include "services/ops/OpsToken.h"
#include "services/ops/OpsVerdict.h"

#include <wx/init.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void OneLine(const wxString& text)
{
    if (text.find_first_of("\r\n") != wxString::npos)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    const std::string body(reinterpret_cast<const char*>(data), size);

    OpsInquiry inquiry;
    wxString error;
    if (inquiry.Parse(body, error) != error.empty())
        std::abort();
    OneLine(error);
    if (const OpsInstance* chosen = inquiry.Choose()) {
        if (chosen->pageCount == 0 || chosen->link.Contains("..") || chosen->link.StartsWith("/"))
            std::abort();
        for (const OpsOutlineEntry& entry : chosen->Outline())
            if (entry.page < 1 || entry.page > chosen->pageCount)
                std::abort();
    }

    if (OpsErrorBody::Parse(body).Line().length() > 200)
        std::abort();
    for (long status : {400L, 401L, 403L, 404L, 500L})
        for (OpsVerdict::Request request : {OpsVerdict::Request::token, OpsVerdict::Request::data})
            OneLine(OpsVerdict::Of(status, "", "", body, request).text);

    const std::optional<OpsToken> token = OpsToken::Parse(body, error);
    OneLine(error);
    if (token && (token->accessToken.empty() || token->accessToken.find_first_of(" \r\n") != std::string::npos))
        std::abort();
    return 0;
}
