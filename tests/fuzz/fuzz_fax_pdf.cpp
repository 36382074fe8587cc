// Any bytes as an office's PDF: the reader must refuse them in one line or
// give fax pages, and the writer must either add each page or refuse it.
#include "pdf/PdfFaxPages.h"
#include "pdf/PdfWriter.h"

#include <wx/init.h>
#include <wx/log.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    static wxLogNull noLog;
    static const wxString path = wxString::Format("/tmp/fh-fuzz-fax-%d.pdf", int(getpid()));

    PdfFaxPages pages(std::string(reinterpret_cast<const char*>(data), size));
    if (pages.IsOk() == pages.GetPages().empty() || pages.GetError().Find('\n') != wxNOT_FOUND)
        std::abort();
    if (pages.GetPages().empty())
        return 0;
    PdfWriter writer(path, static_cast<int>(pages.GetPages().size()));
    for (const FaxImage& image : pages.GetPages())
        writer.AddFaxPage(image);
    writer.Close();
    return 0;
}
