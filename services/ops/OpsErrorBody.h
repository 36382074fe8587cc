#pragma once

#include <wx/string.h>

#include <string>

// The error body of an OPS answer, of either shape the service uses:
//   <fault xmlns="http://ops.epo.org"><code>SERVER.EntityNotFound</code><message>...</message></fault>
//   <error><code>400</code><message>invalid_access_token</message><description>...</description></error>
struct OpsErrorBody
{
    wxString code;
    wxString message;
    wxString description;

    // Empty fields when the body is not XML of either shape.
    static OpsErrorBody Parse(const std::string& body);

    // "CODE: message (description)" on one line, at most 200 characters; a
    // code that is only the HTTP status number is left out. Empty when
    // nothing was read.
    wxString Line() const;
};
