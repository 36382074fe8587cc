#include "services/ops/OpsNumber.h"

#include "numbers/UsNumber.h"

#include <wx/regex.h>

namespace {

OpsNumber Make(const wxString& number, const wxString& kind)
{
    return OpsNumber{kind.empty() ? number : number + "." + kind, kind};
}

std::optional<OpsNumber> FromUs(const wxString& number)
{
    const UsNumber us = NormalizeUsNumber(number);
    if (us.docId.empty())
        return std::nullopt;
    const wxString epodoc = "US" + us.number;
    const wxRegEx usShape("^US[A-Z]{0,2}[0-9]+$", wxRE_EXTENDED);
    if (!usShape.Matches(epodoc))
        return std::nullopt;
    return Make(epodoc, "");
}

// WO2004/012345 -> WO2004012345; WO98/12345 -> WO9812345.
std::optional<OpsNumber> FromWoWithSlash(const wxString& upper)
{
    const wxRegEx wo("^WO([0-9]{2}|[0-9]{4})/([0-9]{1,6})(\\.?([A-Z][0-9]?))?$", wxRE_EXTENDED);
    if (!wo.Matches(upper))
        return std::nullopt;
    const wxString year = wo.GetMatch(upper, 1);
    const wxString serial = wo.GetMatch(upper, 2);
    const size_t width = year.length() == 4 ? 6 : 5;
    if (serial.length() > width)
        return std::nullopt;
    return Make("WO" + year + wxString('0', width - serial.length()) + serial, wo.GetMatch(upper, 4));
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
    return Make(other.GetMatch(upper, 1), other.GetMatch(upper, 3));
}

}  // namespace

std::optional<OpsNumber> OpsNumber::FromEntry(const wxString& number, bool usDocument)
{
    if (number.empty())
        return std::nullopt;
    return usDocument ? FromUs(number) : FromOtherOffice(number);
}
