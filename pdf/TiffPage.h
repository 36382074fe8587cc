#pragma once

#include <wx/mstream.h>
#include <wx/string.h>

#include <cstdint>
#include <vector>

// One bilevel fax-coded TIFF page held in memory: the few directory fields a
// PDF page needs, and its compressed strips copied out untouched. Reads only
// little-endian files and their first directory. Every read is checked
// against the size of the copy.
class TiffPage : public wxMemoryOutputStream
{
public:
    explicit TiffPage(wxInputStream& input);

    bool IsOk() const override;
    wxString GetError() const;

    // Copies every strip, byte for byte, to `out`; a failure clears IsOk().
    void WriteStrips(wxOutputStream& out);

    uint32_t width = 0;
    uint32_t length = 0;
    uint32_t bitsPerSample = 0;
    uint32_t compression = 0;
    uint32_t photometric = 0;

private:
    bool ok = true;
    wxString error;
    std::vector<uint32_t> stripOffsets;
    std::vector<uint32_t> stripByteCounts;
};
