#include "services/ops/OpsThrottling.h"

#include <wx/regex.h>
#include <wx/tokenzr.h>

namespace {

const char* const stateNames[] = {"idle", "busy", "overloaded"};
const char* const colourNames[] = {"green", "yellow", "red", "black"};

template <typename Enum, size_t count>
std::optional<Enum> EnumNamed(const char* const (&names)[count], const wxString& word)
{
    for (size_t i = 0; i < count; ++i) {
        if (word.IsSameAs(names[i], false))
            return static_cast<Enum>(i);
    }
    return std::nullopt;
}

// "images=green:200"
std::optional<std::pair<wxString, OpsThrottling::Service>> ReadService(const wxString& text)
{
    // wxRegEx keeps its last match inside: one per call, as jobs parse at once.
    const wxRegEx entry("^[[:space:]]*([a-zA-Z]+)[[:space:]]*=[[:space:]]*([a-zA-Z]+)"
                               "[[:space:]]*:[[:space:]]*([0-9]{1,9})[[:space:]]*$",
                               wxRE_EXTENDED);
    if (!entry.Matches(text))
        return std::nullopt;
    const auto colour = EnumNamed<OpsThrottling::Colour>(colourNames, entry.GetMatch(text, 2));
    long perMinute = 0;
    if (!colour || !entry.GetMatch(text, 3).ToLong(&perMinute))
        return std::nullopt;
    return std::make_pair(entry.GetMatch(text, 1).Lower(),
                          OpsThrottling::Service{*colour, static_cast<int>(perMinute)});
}

}  // namespace

std::optional<OpsThrottling> OpsThrottling::Parse(const wxString& header)
{
    const wxRegEx shape("^[[:space:]]*([a-zA-Z]+)[[:space:]]*(\\((.*)\\))?[[:space:]]*$",
                               wxRE_EXTENDED);
    if (!shape.Matches(header))
        return std::nullopt;
    const auto state = EnumNamed<State>(stateNames, shape.GetMatch(header, 1));
    if (!state)
        return std::nullopt;
    OpsThrottling result;
    result.state = *state;
    wxStringTokenizer entries(shape.GetMatch(header, 3), ",");
    while (entries.HasMoreTokens()) {
        const wxString entry = entries.GetNextToken();
        if (wxString(entry).Trim().Trim(false).empty())
            continue;
        const auto service = ReadService(entry);
        if (!service)
            return std::nullopt;
        result.services[service->first] = service->second;
    }
    return result;
}

std::optional<OpsThrottling::Service> OpsThrottling::Find(const wxString& name) const
{
    const auto found = services.find(name.Lower());
    if (found == services.end())
        return std::nullopt;
    return found->second;
}

wxString OpsThrottling::Summary() const
{
    wxString text = stateNames[static_cast<int>(state)];
    const char* separator = "; ";
    for (const auto& [name, service] : services) {
        text << separator << name << " " << colourNames[static_cast<int>(service.colour)] << " "
             << service.requestsPerMinute << "/min";
        separator = ", ";
    }
    return text;
}
