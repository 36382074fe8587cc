#include "numbers/Classification.h"

#include "numbers/PdfName.h"
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
// series, and a "/" (WO2004/012345, WO02/051231) alone makes an entry US: such
// an entry passes the US tests, but the US rules make no document id of it.
bool StartsWithCountryCodeAndDigit(const wxString& number)
{
    wxRegEx countryCodeAndDigit("^[a-zA-Z]{2}[0-9]", wxRE_EXTENDED);
    return countryCodeAndDigit.IsValid() && countryCodeAndDigit.Matches(number);
}

// Whatever the US rules turn into an id (D0365123, RE035136, ...) or a serial
// query stays US; what they cannot ("HELLO", "12a") is no known format rather
// than a job that can only fail.
Classification::Kind KindOfUsLooking(const wxString& number)
{
    const UsNumber us = NormalizeUsNumber(number);
    if (!us.docId.empty() || us.IsSerial())
        return Classification::us;
    return StartsWithCountryCodeAndDigit(number) ? Classification::other : Classification::invalid;
}

Classification::Kind KindOf(const wxString& typed)
{
    if (typed.empty())
        return Classification::invalid;
    if (IsUsNumber(typed))
        return KindOfUsLooking(typed);
    return IsOtherOfficeNumber(typed) ? Classification::other : Classification::invalid;
}

bool HasUsCountryCode(const wxString& typed)
{
    return typed.Upper().StartsWith("US");
}

void FillUs(Classification& result)
{
    const UsNumber us = NormalizeUsNumber(result.typed);
    result.number = us.number;
    result.docId = us.docId;
    result.query = us.query;
    if (!us.docId.empty() || us.IsSerial())
        result.file = SafePdfName(us.number);
}

const char* KindName(Classification::Kind kind)
{
    switch (kind) {
    case Classification::us:
        return "us";
    case Classification::other:
        return "other";
    default:
        return "invalid";
    }
}

}  // namespace

Classification Classify(const wxString& entryText)
{
    Classification result;
    result.typed = WithoutCommasAndBlanks(entryText);
    result.number = result.typed;
    if (HasUsCountryCode(result.typed)) {
        // A US number as cited: the job gets it without its codes, and it
        // is named and fetched as if typed so.
        const wxString cited = UsNumberFromCitation(result.typed);
        if (cited.empty())
            return result;
        result.typed = cited;
    }
    result.kind = KindOf(result.typed);
    if (result.kind == Classification::us)
        FillUs(result);
    else if (result.kind == Classification::other)
        result.file = SafePdfName(result.number);
    return result;
}

wxString Classification::Line() const
{
    return wxString::Format("kind=%s number=%s docid=%s file=%s query=%s", KindName(kind), number,
                            docId, file, query);
}
