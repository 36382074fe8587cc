#pragma once

#include <wx/string.h>

// The result of normalising a US document number for the image servers.
struct UsNumber
{
    wxString docId;      // "Docid" for the image servers; empty: unknown shape
    wxString number;     // short form that names the output file
    wxString query;      // serial numbers only: "series/serial" to resolve first
    bool IsSerial() const { return !query.empty(); }
};

// Turns the number of a US job into the image servers' document id, the
// file-name number and, for an application serial number, the query text.
UsNumber NormalizeUsNumber(const wxString& number);

// The text from its first character that is not "0".
wxString StripLeadingZeros(const wxString& text);
