#pragma once

#include <wx/string.h>

class HttpSession;
class PdfWriter;

// Adds the page that `session` fetches from `requestPath` to `writer`; false,
// with the writer as it was, when no page came. Tests fetch pages this way,
// so that the writer itself needs no HTTP stack.
bool AddPageFromUrl(PdfWriter& writer, HttpSession& session, const wxString& requestPath);
