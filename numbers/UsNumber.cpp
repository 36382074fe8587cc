#include "numbers/UsNumber.h"

#include <wx/regex.h>

#include <cstdint>

namespace {

bool IsAsciiLetter(wxUniChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(wxUniChar c)
{
    return c >= '0' && c <= '9';
}

// All digits after at most one leading sign; an empty text passes too.
bool IsSignedDigits(const wxString& text)
{
    size_t i = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        i = 1;
    for (; i < text.length(); ++i) {
        if (!IsAsciiDigit(text[i]))
            return false;
    }
    return true;
}

bool IsCSpace(wxUniChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtoul on a 32-bit unsigned long, the width series and serial numbers have:
// leading white space and one sign are accepted, only the leading digits count,
// an overflow gives the largest value and a minus sign negates modulo 2^32.
// Fixing the width keeps results (and so file names) the same on every platform.
uint32_t ReadUnsigned32(const wxString& text)
{
    size_t i = 0;
    while (i < text.length() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.length() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint64_t value = 0;
    for (; i < text.length() && IsAsciiDigit(text[i]); ++i) {
        value = value * 10 + static_cast<uint64_t>(text[i].GetValue() - '0');
        if (value > UINT32_MAX)
            return UINT32_MAX;
    }
    const uint32_t magnitude = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - magnitude) : magnitude;
}

wxString TextFrom(const wxString& text, size_t first)
{
    return first < text.length() ? text.substr(first) : wxString();
}

// Letter series: the id pads the value to a fixed width, the file-name number does not.
UsNumber NormalizeLetterSeries(const wxString& number)
{
    const wxString upper = number.Upper();
    const wxUniChar series = upper[0];
    UsNumber result;
    result.number = number;
    uint32_t value = 0;
    switch (series.GetValue()) {
    case 'D':
    case 'H':
    case 'T':
    case 'X':
        value = ReadUnsigned32(TextFrom(upper, 1));
        if (value != 0) {
            const char letter = static_cast<char>(series.GetValue());
            result.docId = wxString::Format("%c%07lu", letter, static_cast<unsigned long>(value));
            result.number = wxString::Format("%c%lu", letter, static_cast<unsigned long>(value));
        }
        return result;
    case 'R':
    case 'P':
    case 'A': {
        // The second character is not looked at: "RX035136" reads like "RE035136".
        static const char* const prefixOf[] = {"RE", "PP", "AI"};
        const wxString prefix = prefixOf[series == 'R' ? 0 : series == 'P' ? 1 : 2];
        value = ReadUnsigned32(TextFrom(upper, 2));
        if (value != 0) {
            result.docId = prefix + wxString::Format("%06lu", static_cast<unsigned long>(value));
            result.number = prefix + wxString::Format("%lu", static_cast<unsigned long>(value));
        }
        return result;
    }
    default:
        return result;
    }
}

// The separator ("/" or "\") whose two sides are both signed digits, or 0.
wxUniChar SerialSeparator(const wxString& number)
{
    for (wxUniChar separator : {wxUniChar('/'), wxUniChar('\\')}) {
        const size_t at = number.find(separator);
        if (at == wxString::npos)
            continue;
        if (IsSignedDigits(number.substr(0, at)) && IsSignedDigits(number.substr(at + 1)))
            return separator;
    }
    return wxUniChar(0);
}

UsNumber NormalizeSerial(const wxString& number)
{
    wxString dashed = number;
    dashed.Replace("/", "-");
    dashed.Replace("\\", "-");
    const size_t dash = dashed.find('-');
    const unsigned long series = ReadUnsigned32(dashed.substr(0, dash));
    const unsigned long serial = ReadUnsigned32(TextFrom(dashed, dash + 1));
    UsNumber result;
    result.number = wxString::Format("%lu-%lu", series, serial);
    result.query = wxString::Format("%lu/%lu", series, serial);
    return result;
}

// An application publication's number: the year and the serial as seven digits.
wxString PublicationNumber(const wxString& year, const wxString& serial)
{
    return serial.length() > 7 ? wxString() : year + wxString('0', 7 - serial.length()) + serial;
}

// The digits of a citation without series: the 11-digit publication, the
// epodoc form of one (year and six digits), or a utility patent.
wxString UnseriesedNumber(const wxString& digits)
{
    const wxString number = StripLeadingZeros(digits);
    if (number.length() == 10 && number.StartsWith("20"))
        return PublicationNumber(number.Left(4), number.Mid(4));
    return number;
}

}  // namespace

wxString UsNumberFromCitation(const wxString& number)
{
    const wxString upper = number.Upper();
    if (!upper.StartsWith("US"))
        return wxString();
    wxRegEx citation("^US(D|H|T|X|AI|RE|PP)?([0-9]+)(/([0-9]+))?\\.?([A-Z][0-9]?)?$", wxRE_EXTENDED);
    if (!citation.IsValid() || !citation.Matches(upper))
        return wxString();
    const wxString series = citation.GetMatch(upper, 1);
    const wxString digits = citation.GetMatch(upper, 2);
    const wxString serial = citation.GetMatch(upper, 4);
    if (!serial.empty()) {
        const bool year = series.empty() && digits.length() == 4 && digits.StartsWith("20");
        return year ? PublicationNumber(digits, serial) : wxString();
    }
    if (series.empty())
        return UnseriesedNumber(digits);
    const wxString value = StripLeadingZeros(digits);
    return value.empty() ? wxString() : series + value;
}

wxString StripLeadingZeros(const wxString& text)
{
    const size_t first = text.find_first_not_of('0');
    return first == wxString::npos ? wxString() : text.substr(first);
}

UsNumber NormalizeUsNumber(const wxString& number)
{
    if (IsSignedDigits(number)) {
        UsNumber result;
        result.number = StripLeadingZeros(number);
        result.docId = result.number;
        return result;
    }
    if (IsAsciiLetter(number[0]))
        return NormalizeLetterSeries(number);
    if (SerialSeparator(number) != wxUniChar(0))
        return NormalizeSerial(number);
    UsNumber result;
    result.number = number;
    return result;
}
