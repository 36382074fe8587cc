#include "services/ops/OpsNumber.h"

#include "numbers/UsNumber.h"

#include <wx/regex.h>

namespace {

OpsNumber Make(const wxString& number, const wxString& kind)
{
    return OpsNumber{kind.empty() ? number : number + "." + kind, kind};
}

bool IsDigits(const wxString& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == wxString::npos;
}

// OPS writes a US application publication as its year and six digits
// (20020000051 -> US2002000051); the 11-digit form is the application's number.
wxString UsEpodoc(const wxString& shortNumber)
{
    if (shortNumber.length() == 11 && IsDigits(shortNumber) && shortNumber[4] == '0')
        return "US" + shortNumber.Left(4) + shortNumber.Mid(5);
    return "US" + shortNumber;
}

std::optional<OpsNumber> FromUs(const wxString& number)
{
    const UsNumber us = NormalizeUsNumber(number);
    if (us.docId.empty())
        return std::nullopt;
    const wxString epodoc = UsEpodoc(us.number);
    const wxRegEx usShape("^US[A-Z]{0,2}[0-9]+$", wxRE_EXTENDED);
    if (!usShape.Matches(epodoc))
        return std::nullopt;
    return Make(epodoc, "");
}

// Until 2003 a WO number's year has two digits.
wxString WoYear(const wxString& year)
{
    long value = 0;
    return year.length() == 4 && year.ToLong(&value) && value < 2004 ? year.Right(2) : year;
}

// The serial has six digits from 2002 on, five before.
size_t WoSerialWidth(const wxString& year)
{
    return year.length() == 4 || year == "02" || year == "03" ? 6 : 5;
}

// WO2004/012345 -> WO2004012345; WO98/12345 -> WO9812345; WO02/051231 and
// WO2002/51231 -> WO02051231.
std::optional<OpsNumber> FromWoWithSlash(const wxString& upper)
{
    const wxRegEx wo("^WO([0-9]{2}|[0-9]{4})/([0-9]{1,6})(\\.?([A-Z][0-9]?))?$", wxRE_EXTENDED);
    if (!wo.Matches(upper))
        return std::nullopt;
    const wxString year = WoYear(wo.GetMatch(upper, 1));
    const wxString serial = wo.GetMatch(upper, 2);
    const size_t width = WoSerialWidth(year);
    if (serial.length() > width)
        return std::nullopt;
    return Make("WO" + year + wxString('0', width - serial.length()) + serial, wo.GetMatch(upper, 4));
}

// EP numbers have seven digits (EP729353 -> EP0729353); a WO of 2002 or 2003
// typed with a four-digit year goes with two (WO2002051231 -> WO02051231).
wxString OfficeForm(const wxString& number)
{
    const wxString digits = number.Mid(2);
    if (number.StartsWith("EP") && IsDigits(digits) && digits.length() < 7)
        return "EP" + wxString('0', 7 - digits.length()) + digits;
    const wxString year = digits.Left(4);
    const bool wo2002or2003 = number.StartsWith("WO") && (year == "2002" || year == "2003");
    if (wo2002or2003 && IsDigits(digits) && digits.length() == 10)
        return "WO" + digits.Mid(2);
    return number;
}

// A country code, at most two letters (JPH07123456) and digits, maybe a kind.
std::optional<OpsNumber> FromOtherOffice(const wxString& number)
{
    const wxString upper = number.Upper();
    if (upper.StartsWith("WO") && upper.Contains("/"))
        return FromWoWithSlash(upper);
    const wxRegEx other("^([A-Z]{2}[A-Z]{0,2}[0-9]+)(\\.?([A-Z][0-9]?))?$", wxRE_EXTENDED);
    if (!other.Matches(upper))
        return std::nullopt;
    return Make(OfficeForm(other.GetMatch(upper, 1)), other.GetMatch(upper, 3));
}

}  // namespace

std::optional<OpsNumber> OpsNumber::FromEntry(const wxString& number, bool usDocument)
{
    if (number.empty())
        return std::nullopt;
    return usDocument ? FromUs(number) : FromOtherOffice(number);
}
