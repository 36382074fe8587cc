// Any bytes as an application-search answer: a hit is letters and digits only.
#include "jobs/SearchHit.h"

#include <wx/init.h>
#include <wx/mstream.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    wxMemoryInputStream body(data, size);
    const wxString hit = FindSearchHit(body, [] { return false; });
    for (wxUniChar c : hit)
        if (!c.IsAscii() || !isalnum(static_cast<unsigned char>(c.GetValue())))
            abort();
    return 0;
}
