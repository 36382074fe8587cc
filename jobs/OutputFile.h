#pragma once

#include "numbers/PdfName.h"

#include <wx/filename.h>
#include <wx/string.h>

// The PDF a job writes for `number`: SafePdfName(number) in the working
// directory, so a hostile or odd number can never name a file elsewhere.
wxFileName OutputFileFor(const wxString& number);
