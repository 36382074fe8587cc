#include "numbers/FormatHelp.h"

namespace {

wxString JoinFormatHelpLines()
{
    static const char* const lines[] = {
        "Enter in a U.S. Patent number, publication number, or serial number (with '/') ",
        "into the textbox and press the download button.",
        "Commas are ignored.  Publication numbers must be 11 characters.",
        "Serial numbers must be for applications filed on or after March 15 2001.",
        "",
        "Examples:",
        "20020000001 \t(utility application by publication number)",
        "9/836917 \t(utility application by serial number)",
        "09/836917 \t(utility application by serial number)",
        "5123456 \t \t(utility patent)",
        "X0000001  \t(X-patent, pre-1836)",
        "D0365123 \t(design patent)",
        "PP012835 \t(plant patent)",
        "RE035136 \t(reissue patent)",
        "T0106201 \t(defensive publication)",
        "H0001520 \t(statutory invention registration)",
        "AI000318 \t(additional improvement)",
        "",
        "EP2219563\tPCT Patent EP2219563  (use two digit country codes)",
        "",
        "EP2219563.B1\tPCT Patent EP2219563 (B1)",
    };
    wxString text = lines[0];
    for (size_t i = 1; i < WXSIZEOF(lines); ++i)
        text << "\n" << lines[i];
    return text;
}

}  // namespace

const wxString& FormatHelpText()
{
    static const wxString text = JoinFormatHelpLines();
    return text;
}

wxString UnknownFormatMessage(const wxString& entryText)
{
    return "\"" + entryText + "\" -- Unknown Format\n\n\n" + FormatHelpText();
}
