#include "jobs/OutputFile.h"

wxFileName OutputFileFor(const wxString& number)
{
    // Built from directory and name parts rather than normalised from a path
    // text, so nothing in the name is read as a directory or a home prefix.
    wxFileName file(wxFileName::GetCwd(), SafePdfName(number));
    file.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return file;
}
