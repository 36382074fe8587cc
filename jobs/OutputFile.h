#pragma once

#include <wx/filename.h>
#include <wx/string.h>

// The PDF a job writes for `number`: "<number>.pdf" in the working directory.
// Characters that could leave that directory ("/", "\", a leading "~") are
// replaced by "-", so a hostile or odd number can never name a file
// elsewhere.
wxFileName OutputFileFor(const wxString& number);

// The file-name part alone, e.g. "EP1-..-x.pdf" for "EP1/../x".
wxString SafePdfName(const wxString& number);
