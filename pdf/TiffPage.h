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

    // Lets a writer check the strips before it commits anything to its file:
    // both lists of equal length and every strip inside the data.
    bool StripsInsideData() const;
    size_t GetStripCount() const;
    uint64_t StripDataSize() const;

    uint32_t width = 0;
    uint32_t length = 0;
    uint32_t bitsPerSample = 0;
    uint32_t compression = 0;
    uint32_t photometric = 0;
    // T4Options (tag 292); bit 0 set: a Group 3 page coded two-dimensionally.
    uint32_t t4Options = 0;

private:
    void Fail(const wxString& text);
    void CopyIntoMemory(wxInputStream& input);
    void Parse();
    void TakeEntry(uint16_t tag, uint16_t type, uint32_t count, const unsigned char* field);
    static void AppendInline(std::vector<uint32_t>& list, uint16_t type, uint32_t count,
                             const unsigned char* field);
    const unsigned char* Data() const;
    uint64_t Size() const;
    bool Reachable(uint64_t offset) const;
    // Null unless all `count` bytes from `offset` lie inside the copy.
    const unsigned char* Bytes(uint64_t offset, uint64_t count) const;
    const unsigned char* Strip(size_t k) const;

    bool ok = true;
    wxString error;
    std::vector<uint32_t> stripOffsets;
    std::vector<uint32_t> stripByteCounts;
    uint64_t dataSize = 0;
};
