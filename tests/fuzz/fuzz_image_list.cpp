// Any bytes as an OPS image list.
#include "jobs/ImageList.h"

#include <wx/init.h>
#include <wx/mstream.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    wxMemoryInputStream body(data, size);
    ImageList list;
    list.Parse(body);
    if (list.Found() && !list.path.StartsWith("/2.6.2/rest-services/"))
        abort();
    return 0;
}
