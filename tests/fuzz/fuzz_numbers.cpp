// Any entry text: classification and normalisation must not crash, and a
// US number must never name a file outside the save folder.
#include "app/JobEntry.h"
#include "numbers/UsNumber.h"

#include <wx/init.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    const wxString text = wxString::From8BitData(reinterpret_cast<const char*>(data), size);
    JobEntry entry(text);
    if (entry.valid && entry.kind == JobEntry::usDocument) {
        const UsNumber us = NormalizeUsNumber(entry.number);
        if (!us.docId.empty() && (us.number.Contains("/") || us.number.Contains("..")))
            abort();
    }
    return 0;
}
