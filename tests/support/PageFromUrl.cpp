#include "PageFromUrl.h"

#include "net/HttpSession.h"
#include "pdf/PdfWriter.h"

#include <wx/stream.h>

#include <memory>

bool AddPageFromUrl(PdfWriter& writer, HttpSession& session, const wxString& requestPath)
{
    if (!writer.IsOk())
        return false;
    std::unique_ptr<wxInputStream> body = session.Request(requestPath);
    if (!body)
        return false;
    return writer.AddPage(*body);
}
