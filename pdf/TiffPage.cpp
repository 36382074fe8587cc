#include "pdf/TiffPage.h"

#include <wx/wfstream.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

const uint16_t tagImageWidth = 256;
const uint16_t tagImageLength = 257;
const uint16_t tagBitsPerSample = 258;
const uint16_t tagCompression = 259;
const uint16_t tagPhotometric = 262;
const uint16_t tagStripOffsets = 273;
const uint16_t tagStripByteCounts = 279;
const uint16_t tagT4Options = 292;
const uint16_t tagXResolution = 282;
const uint16_t tagYResolution = 283;
const uint16_t tagResolutionUnit = 296;

const uint16_t typeShort = 3;
const uint16_t typeLong = 4;
const uint16_t typeRational = 5;

const size_t copyChunk = 16 * 1024;
// Presizing the copy from an announced length saves regrowing it; beyond this
// the announced length is not trusted and the copy grows as bytes arrive.
const wxFileOffset maxPresize = 512 * 1024 * 1024;

uint16_t Little16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Little32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
        | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t Big16(const unsigned char* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t Big32(const unsigned char* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16)
        | (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

// wxInputStream::Read zero-fills its destination before copying into it,
// which costs as much as the copy itself; the two kinds of stream pages come
// in, a response body in memory and a file, are read around it.
size_t ReadInto(wxInputStream& input, char* dest, size_t count)
{
    if (auto* memory = dynamic_cast<wxMemoryInputStream*>(&input))
    {
        wxStreamBuffer* buffer = memory->GetInputStreamBuffer();
        const size_t n = std::min(count, buffer->GetBytesLeft());
        std::memcpy(dest, buffer->GetBufferPos(), n);
        buffer->SetIntPosition(buffer->GetIntPosition() + n);
        return n;
    }
    if (auto* file = dynamic_cast<wxFileInputStream*>(&input))
    {
        const ssize_t n = file->GetFile()->Read(dest, count);
        return n == wxInvalidOffset ? 0 : static_cast<size_t>(n);
    }
    input.Read(dest, count);
    return input.LastRead();
}

}  // namespace

TiffPage::TiffPage(wxInputStream& input)
{
    ok = input.IsOk();
    if (!ok)
    {
        Fail(" bad input stream!");
        return;
    }
    CopyIntoMemory(input);
    if (!wxMemoryOutputStream::IsOk())
    {
        Fail(" reading tiff data into memory!");
        return;
    }
    Parse();
}

bool TiffPage::IsOk() const
{
    return ok;
}

wxString TiffPage::GetError() const
{
    return error;
}

void TiffPage::Fail(const wxString& text)
{
    ok = false;
    error = text;
}

void TiffPage::CopyIntoMemory(wxInputStream& input)
{
    // The common case, a body or file of known length, is read straight
    // into memory of that size.
    const wxFileOffset announced = input.GetLength();
    void* memory = announced > 0 && announced <= maxPresize ? std::malloc(announced) : nullptr;
    if (memory)
    {
        GetOutputStreamBuffer()->SetBufferIO(memory, static_cast<size_t>(announced), true);
        char* start = static_cast<char*>(memory);
        while (dataSize < static_cast<uint64_t>(announced))
        {
            const size_t got = ReadInto(input, start + dataSize, announced - dataSize);
            if (got == 0)
                break;
            dataSize += got;
        }
        SeekO(dataSize);
    }
    // Whatever the length did not announce is appended as it comes.
    char chunk[copyChunk];
    while (wxMemoryOutputStream::IsOk())
    {
        const size_t got = ReadInto(input, chunk, copyChunk);
        if (got == 0)
            break;
        Write(chunk, got);
        dataSize += LastWrite();
        if (LastWrite() != got)
            break;  // the base stream now reports the failure
    }
}

const unsigned char* TiffPage::Data() const
{
    return static_cast<const unsigned char*>(GetOutputStreamBuffer()->GetBufferStart());
}

// The bytes copied, not the size of the memory holding them: memory sized
// from an announced length may be longer than what arrived.
uint64_t TiffPage::Size() const
{
    return dataSize;
}

bool TiffPage::Reachable(uint64_t offset) const
{
    return offset <= Size();
}

const unsigned char* TiffPage::Bytes(uint64_t offset, uint64_t count) const
{
    if (offset > Size() || count > Size() - offset)
        return nullptr;
    return Data() + offset;
}

// A little-endian file is told by its third byte, 42, and then its order
// mark; a big-endian one by "MM" and 42 as a 16-bit number.
bool TiffPage::ReadByteOrder()
{
    const unsigned char* head = Bytes(0, 3);
    bigEndian = head && head[0] == 'M' && head[1] == 'M';
    if (bigEndian)
        head = Bytes(0, 4);
    if (!head)
        Fail(" reading image!");
    else if (bigEndian && Get16(head + 2) != 42)
        Fail(wxString::Format("Not a tiff image? %i", static_cast<int>(Get16(head + 2))));
    else if (!bigEndian && head[2] != 42)
        Fail(wxString::Format("Not a tiff image? %i", static_cast<int>(head[2])));
    else if (!bigEndian && (head[0] != 'I' || head[1] != 'I'))
        Fail(" BigEndian Image unsupported!");
    return ok;
}

uint16_t TiffPage::Get16(const unsigned char* p) const
{
    return bigEndian ? Big16(p) : Little16(p);
}

uint32_t TiffPage::Get32(const unsigned char* p) const
{
    return bigEndian ? Big32(p) : Little32(p);
}

// A little-endian value field is taken whole whatever the type, as pages
// have always been read; a big-endian SHORT sits in the field's first two
// bytes, so there it is read by its type.
uint32_t TiffPage::FieldValue(uint16_t type, const unsigned char* field) const
{
    if (bigEndian && type == typeShort)
        return Get16(field);
    return Get32(field);
}

// A resolution that cannot be read stays 0/0: the page is still usable, only
// its size cannot come from its resolution.
TiffPage::Rational TiffPage::ReadRational(uint16_t type, uint32_t count, const unsigned char* field) const
{
    Rational rational;
    const unsigned char* value = type == typeRational && count == 1 ? Bytes(Get32(field), 8) : nullptr;
    if (value)
    {
        rational.numerator = Get32(value);
        rational.denominator = Get32(value + 4);
    }
    return rational;
}

void TiffPage::Parse()
{
    if (!ReadByteOrder())
        return;

    if (!Reachable(4))
        return Fail(" seeking to image idf!");
    const unsigned char* ifdPointer = Bytes(4, 4);
    if (!ifdPointer)
        return Fail(" reading image idf!");
    const uint64_t ifd = Get32(ifdPointer);

    if (!Reachable(ifd))
        return Fail(" seeking to number of entries of image!");
    const unsigned char* countField = Bytes(ifd, 4);
    if (!countField)
        return Fail(" reading number of entries in image!");
    const uint16_t entries = Get16(countField);

    for (uint32_t i = 0; i < entries; ++i)
    {
        const uint64_t position = ifd + 2 + 12 * static_cast<uint64_t>(i);
        if (!Reachable(position))
            return Fail(" seeking to image ifd!");
        const unsigned char* entry = Bytes(position, 12);
        if (!entry)
            return Fail(" reading ifd!");
        TakeEntry(Get16(entry), Get16(entry + 2), Get32(entry + 4), entry + 8);
    }
}

void TiffPage::TakeEntry(uint16_t tag, uint16_t type, uint32_t count, const unsigned char* field)
{
    const uint32_t value = FieldValue(type, field);
    switch (tag)
    {
    case tagImageWidth: width = value; break;
    case tagImageLength: length = value; break;
    case tagBitsPerSample: bitsPerSample = value; break;
    case tagCompression: compression = value; break;
    case tagPhotometric: photometric = value; break;
    case tagT4Options: t4Options = value; break;
    case tagXResolution: xResolution = ReadRational(type, count, field); break;
    case tagYResolution: yResolution = ReadRational(type, count, field); break;
    case tagResolutionUnit: resolutionUnit = value; break;
    case tagStripOffsets: AppendInline(stripOffsets, type, count, field); break;
    case tagStripByteCounts: AppendInline(stripByteCounts, type, count, field); break;
    default: break;
    }
}

// Only values held in the entry itself are taken: the reader serves
// single-strip pages, so an array stored elsewhere adds nothing. Two SHORT
// values packed into one field are two strips; a count of 0 holds no value.
void TiffPage::AppendInline(std::vector<uint32_t>& list, uint16_t type, uint32_t count,
                            const unsigned char* field) const
{
    if ((type == typeLong || type == typeShort) && count == 1)
        list.push_back(FieldValue(type, field));
    else if (type == typeShort && count == 2)
    {
        list.push_back(Get16(field));
        list.push_back(Get16(field + 2));
    }
}

size_t TiffPage::GetStripCount() const
{
    return stripOffsets.size();
}

const unsigned char* TiffPage::Strip(size_t k) const
{
    // Offsets are signed 32-bit positions: one at or past 2^31 cannot be
    // reached.
    if (stripOffsets[k] > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
        return nullptr;
    return Bytes(stripOffsets[k], stripByteCounts[k]);
}

bool TiffPage::StripsInsideData() const
{
    if (stripOffsets.size() != stripByteCounts.size())
        return false;
    for (size_t k = 0; k < stripOffsets.size(); ++k)
        if (!Strip(k))
            return false;
    return true;
}

uint64_t TiffPage::StripDataSize() const
{
    uint64_t total = 0;
    for (uint32_t count : stripByteCounts)
        total += count;
    return total;
}

void TiffPage::WriteStrips(wxOutputStream& out)
{
    if (!ok)
        return;
    if (stripOffsets.size() != stripByteCounts.size())
    {
        ok = false;
        return;
    }
    for (size_t k = 0; k < stripOffsets.size(); ++k)
    {
        const unsigned char* strip = Strip(k);
        if (!strip)
        {
            ok = false;
            return;
        }
        out.Write(strip, stripByteCounts[k]);
    }
}
