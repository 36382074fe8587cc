#pragma once

#include "net/RequestFailure.h"

#include <wx/string.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What one request of an HttpsClient brought: the failure (kind None for a
// 2xx answer), and whatever of the answer came — an error answer keeps its
// status, head and body, which the services fill with their reasons.
struct HttpAnswer
{
    RequestFailure failure;
    unsigned status = 0;  // 0 when no answer came
    std::vector<std::pair<wxString, wxString>> headers;  // name, value; in the order received
    std::string body;

    bool Ok() const { return !failure.Failed(); }
    // The value of the first header called `name`, in any case; empty when none.
    wxString Header(const wxString& name) const;
    // The values of every header called `name`, in any case, in order.
    std::vector<wxString> HeaderValues(const wxString& name) const;
    bool HasHeader(const wxString& name) const;
};

// A header value that is a whole number in digits (blanks around it allowed);
// none for anything else, or a number too large to hold.
std::optional<unsigned long long> HeaderCount(const wxString& value);
