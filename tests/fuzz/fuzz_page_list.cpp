// Any bytes as a US page list: parsing must not crash, and the page paths
// must stay bounded whatever count the answer claims.
#include "jobs/PageList.h"

#include <wx/init.h>
#include <wx/mstream.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    wxMemoryInputStream body(data, size);
    PageList list;
    list.Parse(body, [] { return false; });
    const long maxPages = 200;
    if (list.PagePaths(maxPages).size() > static_cast<size_t>(maxPages))
        abort();
    return 0;
}
