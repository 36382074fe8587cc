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

// A US number written as citations write it, with the country code, maybe a
// kind code and an application publication's year and "/" ("US6103599B1",
// "USD645062", "USRE43633E", "USPP12835P2", "US2002/0123456A1",
// "US20020123456A1", the epodoc "US2002123456"; commas and blanks already
// removed, any case): the number the US rules take ("6103599", "D645062",
// "RE43633", "PP12835", "20020123456"). Empty when `number` is no such
// citation or names no document (a number of zeros).
wxString UsNumberFromCitation(const wxString& number);

// The text from its first character that is not "0".
wxString StripLeadingZeros(const wxString& text);
