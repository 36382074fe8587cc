#include "numbers/JobEntry.h"

#include "numbers/UsNumber.h"

#include <wx/regex.h>

#include <cstdlib>

namespace {

wxString WithoutCommasAndBlanks(const wxString& text)
{
    wxString result;
    for (wxUniChar c : text) {
        if (c != ',' && c != ' ')
            result += c;
    }
    return result;
}

// Only the value matters, not whether the whole text was a number: "12a" counts,
// and an overflow clamps to LONG_MAX/LONG_MIN, which is not 0 either.
bool LeadingIntegerIsNonZero(const wxString& number)
{
    const wxScopedCharBuffer utf8 = number.utf8_str();
    return std::strtol(utf8.data(), nullptr, 10) != 0;
}

bool HasUsPrefix(const wxString& number)
{
    static const char* const prefixes[] = {"X", "D", "H", "T", "AI", "RE", "PP"};
    const wxString upper = number.Upper();
    for (const char* prefix : prefixes) {
        if (upper.StartsWith(prefix))
            return true;
    }
    return false;
}

bool IsUsNumber(const wxString& number)
{
    return LeadingIntegerIsNonZero(number) || number.find_first_of("/\\") != wxString::npos ||
           HasUsPrefix(number);
}

bool IsOtherOfficeNumber(const wxString& number)
{
    wxRegEx countryAndDigits("[a-zA-Z]{2}[0-9]+", wxRE_EXTENDED);
    return countryAndDigits.IsValid() && countryAndDigits.Matches(number);
}

// Country codes such as DE, DK, HU, TR and TW begin with a letter of the US
// series, and a "/" (WO2004/012345) alone makes an entry US: such an entry
// passes the US tests, but the US rules make no document id of it. Whatever
// the US rules do turn into an id (D0365123, RE035136, ...) stays US.
bool IsOtherOfficeNumberTakenForUs(const wxString& number)
{
    wxRegEx countryCodeAndDigit("^[a-zA-Z]{2}[0-9]", wxRE_EXTENDED);
    return countryCodeAndDigit.IsValid() && countryCodeAndDigit.Matches(number) &&
           NormalizeUsNumber(number).docId.empty();
}

}  // namespace

JobEntry::JobEntry(const wxString& entryText)
    : number(WithoutCommasAndBlanks(entryText))
{
    if (number.empty()) {
        finished = true;
        return;
    }
    if (IsUsNumber(number)) {
        kind = IsOtherOfficeNumberTakenForUs(number) ? otherOffice : usDocument;
        valid = true;
    } else if (IsOtherOfficeNumber(number)) {
        kind = otherOffice;
        valid = true;
    }
}
