#include "numbers/PdfName.h"

wxString SafePdfName(const wxString& number)
{
    wxString name = number;
    name.Replace("/", "-");
    name.Replace("\\", "-");
    if (name.StartsWith("~"))
        name[0] = '-';
    return name + ".pdf";
}
