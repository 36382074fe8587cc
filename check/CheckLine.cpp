#include "check/CheckLine.h"

wxString CheckLine::Text() const
{
    wxString text = wxString::Format("%-6s %s (%s): %s", ok ? "OK" : "FAILED", service, where, detail);
    text.Replace("\r", " ");
    text.Replace("\n", " ");
    return text;
}
