// Kept in a source of its own so that a program that only assembles local
// pages (folioharvester-cli assemble) links, and loads, no HTTP stack.
#include "pdf/PdfWriter.h"

#include "net/HttpSession.h"

bool PdfWriter::AddPageFromUrl(HttpSession& session, const wxString& requestPath)
{
    if (!ok)
        return false;
    std::unique_ptr<wxInputStream> body = session.Request(requestPath);
    if (!body)
        return false;
    return AddPage(*body);
}
