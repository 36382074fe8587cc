// Any bytes as a page, little- or big-endian: the reader must never read
// outside its copy, and the writer must either add the page or refuse it
// cleanly.
#include "pdf/PdfWriter.h"
#include "pdf/TiffPage.h"

#include <wx/init.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    static wxLogNull noLog;
    static const wxString path = wxString::Format("/tmp/fh-fuzz-%d.pdf", int(getpid()));

    wxMemoryInputStream input(data, size);
    TiffPage page(input);
    if (page.IsOk()) {
        wxMemoryOutputStream sink;
        page.WriteStrips(sink);
    }

    // With every option on, so resolutions and the outline are read and
    // written too; a page without a usable resolution takes the classic size.
    static const PdfWriter::Options options{true, {{"Claims", 1}}};
    wxMemoryInputStream again(data, size);
    PdfWriter writer(path, 1, options);
    writer.AddPage(again);
    writer.Close();
    return 0;
}
