#pragma once

#include <wx/string.h>

// The name of the PDF a job writes for `number`: "<number>.pdf", with the
// characters that could leave the save folder ("/", "\", a leading "~")
// replaced by "-", e.g. "EP1-..-x.pdf" for "EP1/../x".
wxString SafePdfName(const wxString& number);
