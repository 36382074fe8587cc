#pragma once

#include <wx/string.h>

#include <chrono>
#include <optional>
#include <string>

// The access token of the OPS token endpoint's JSON answer.
struct OpsToken
{
    std::string accessToken;        // sent back as "Authorization: Bearer ..."
    std::chrono::seconds expiresIn{0};

    // Reads the answer (every value a string, "expires_in" a number in a
    // string). nullopt with a one-line `error` when the answer is not JSON or
    // lacks a usable token; the error never quotes the answer.
    static std::optional<OpsToken> Parse(const std::string& answer, wxString& error);

    // The header line that carries the consumer key and secret to the token
    // endpoint (HTTP Basic, UTF-8).
    static wxString Authorization(const wxString& key, const wxString& secret);
};
