#include "net/HttpAnswer.h"

#include <algorithm>

namespace {

auto Named(const wxString& name)
{
    return [&name](const std::pair<wxString, wxString>& header) { return header.first.IsSameAs(name, false); };
}

}  // namespace

wxString HttpAnswer::Header(const wxString& name) const
{
    const auto found = std::find_if(headers.begin(), headers.end(), Named(name));
    return found == headers.end() ? wxString() : found->second;
}

bool HttpAnswer::HasHeader(const wxString& name) const
{
    return std::any_of(headers.begin(), headers.end(), Named(name));
}

std::vector<wxString> HttpAnswer::HeaderValues(const wxString& name) const
{
    std::vector<wxString> values;
    for (const auto& header : headers)
        if (Named(name)(header))
            values.push_back(header.second);
    return values;
}

std::optional<unsigned long long> HeaderCount(const wxString& value)
{
    const wxString digits = wxString(value).Trim().Trim(false);
    unsigned long long count = 0;
    if (digits.empty() || digits.find_first_not_of("0123456789") != wxString::npos || !digits.ToULongLong(&count))
        return std::nullopt;
    return count;
}
