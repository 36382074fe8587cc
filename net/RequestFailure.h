#pragma once

#include <wx/string.h>

// Why a request brought no usable answer. Callers decide on the kind whether
// to try again, wait or give up; the text is only for showing.
enum class FailureKind
{
    None,         // the request brought the answer asked for
    Refused,      // refused here before anything was sent: a bad URL, path or header, no host
    Connect,      // no connection to the server or the proxy (name, refusal, connect timeout)
    Certificate,  // the server's certificate was not trusted (or the trusted list unreadable)
    Read,         // the connection broke after the request was sent
    Timeout,      // the server went silent for longer than the stall limit
    TooLarge,     // the body passed the size cap or did not fit in memory
    Stopped,      // the stop test asked for the end
    Auth,         // the server (401) or the proxy (407) wants credentials it did not get
    HttpStatus,   // an answer came, with a status other than the one asked for
    Empty,        // HttpSession only: a 200 answer without a body
};

// The name of `kind` ("Connect", "HttpStatus", ...), for logs and test output.
const char* FailureKindName(FailureKind kind);

// How one request failed.
struct RequestFailure
{
    FailureKind kind = FailureKind::None;
    unsigned httpStatus = 0;  // the status of the answer when one came (or the proxy's 407)
    wxString text;            // one line in plain words; empty when nothing failed

    bool Failed() const { return kind != FailureKind::None; }
};
