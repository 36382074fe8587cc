#pragma once

#include <wx/string.h>

// Whether the file at `path` looks like a whole PDF: it begins with "%PDF-"
// and ends with its trailer, "startxref", a byte offset and "%%EOF" (line
// ends and blanks may follow). A download cut short or a 0-byte file fails.
bool IsCompletePdf(const wxString& path);
