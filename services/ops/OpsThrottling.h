#pragma once

#include <wx/string.h>

#include <map>
#include <optional>

// The service's load as an X-Throttling-Control header announces it:
//   idle (images=green:200, inpadoc=green:60, other=green:1000, retrieval=green:200, search=green:30)
// a state for the whole service and, per service, a colour and the requests
// allowed per minute.
struct OpsThrottling
{
    enum class State { idle, busy, overloaded };
    enum class Colour { green, yellow, red, black };

    struct Service
    {
        Colour colour = Colour::green;
        int requestsPerMinute = 0;
    };

    State state = State::idle;
    std::map<wxString, Service> services;  // by name: "images", "retrieval", ...

    // nullopt for a missing or unreadable header: the caller keeps the state
    // it knew before.
    static std::optional<OpsThrottling> Parse(const wxString& header);

    std::optional<Service> Find(const wxString& name) const;
    // One line in plain words, e.g. "idle; images green 200/min, retrieval green 200/min".
    wxString Summary() const;
};
