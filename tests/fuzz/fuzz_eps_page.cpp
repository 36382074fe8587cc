// Any bytes as an HTML answer of the EPO publication server: read without
// reading outside the answer; a link is a part of the answer with its "&"
// references decoded, and a WIPO page names no PDF link.
#include "services/eps/EpsPage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string body(reinterpret_cast<const char*>(data), size);
    const EpsPage page = EpsPage::Read(body);
    if (page.pdfLink.size() > size || (page.wipo && !page.pdfLink.empty()))
        std::abort();
    if (!page.woNumber.empty() && (page.woNumber.compare(0, 2, "WO") != 0 || page.woNumber.size() > 12))
        std::abort();
    return 0;
}
