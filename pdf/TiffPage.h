#pragma once

#include <wx/mstream.h>
#include <wx/string.h>

#include <cstdint>
#include <vector>

// One bilevel fax-coded TIFF page held in memory: the few directory fields a
// PDF page needs, and its compressed strips copied out untouched. Reads
// little-endian ("II") and big-endian ("MM") files, their first directory
// only. Every read is checked against the size of the copy.
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
    uint32_t bitsPerSample = 0;  // 0 when absent: one bit, the TIFF default
    uint32_t compression = 0;
    uint32_t photometric = 0;
    // T4Options (tag 292); bit 0 set: a Group 3 page coded two-dimensionally.
    // FillOrder and T6Options are not read: pages are taken to hold their
    // defaults (most significant bit first; no uncompressed mode), as the
    // offices serve them.
    uint32_t t4Options = 0;
    // XResolution and YResolution (tags 282, 283), pixels per resolution
    // unit as a fraction; 0/0 when absent or unreadable.
    struct Rational
    {
        uint32_t numerator = 0;
        uint32_t denominator = 0;
    };
    Rational xResolution;
    Rational yResolution;
    // ResolutionUnit (tag 296): 1 none, 2 inch (the default), 3 centimetre.
    uint32_t resolutionUnit = 2;

private:
    void Fail(const wxString& text);
    void CopyIntoMemory(wxInputStream& input);
    void Parse();
    bool ReadByteOrder();
    uint16_t Get16(const unsigned char* p) const;
    uint32_t Get32(const unsigned char* p) const;
    uint32_t FieldValue(uint16_t type, const unsigned char* field) const;
    Rational ReadRational(uint16_t type, uint32_t count, const unsigned char* field) const;
    void TakeEntry(uint16_t tag, uint16_t type, uint32_t count, const unsigned char* field);
    void AppendInline(std::vector<uint32_t>& list, uint16_t type, uint32_t count,
                      const unsigned char* field) const;
    const unsigned char* Data() const;
    uint64_t Size() const;
    bool Reachable(uint64_t offset) const;
    // Null unless all `count` bytes from `offset` lie inside the copy.
    const unsigned char* Bytes(uint64_t offset, uint64_t count) const;
    const unsigned char* Strip(size_t k) const;

    bool ok = true;
    bool bigEndian = false;
    wxString error;
    std::vector<uint32_t> stripOffsets;
    std::vector<uint32_t> stripByteCounts;
    uint64_t dataSize = 0;
};
