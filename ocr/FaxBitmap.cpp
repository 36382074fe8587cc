#include "ocr/FaxBitmap.h"

#include "pdf/FaxImage.h"
#include "pdf/TiffPage.h"

#include <leptonica/allheaders.h>
#include <wx/mstream.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// Pages beyond this would take hundreds of megabytes to decode and minutes
// to recognise; an A3 sheet at 600 pixels per inch has 70 million.
const uint64_t maxPixels = 300000000;
const uint32_t maxSide = 60000;

bool Decodable(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide && width * height <= maxPixels;
}

// Builds a TIFF file around an image's coded bytes, so that leptonica's
// TIFF reader (libtiff's fax decoder) decodes the page. Little-endian, one
// strip after the directory.
class TiffWrapper
{
public:
    explicit TiffWrapper(const FaxImage& image)
    {
        const bool group4 = image.k < 0;
        const uint16_t entries = group4 ? 12 : 13;
        const uint32_t resolutions = 8 + 2 + 12 * entries + 4;
        const uint32_t strip = resolutions + 16;
        bytes = "II*";
        bytes += '\0';
        Put32(8);
        Put16(entries);
        Entry(256, 4, image.columns);
        Entry(257, 4, image.rows);
        Entry(258, 3, 1);
        Entry(259, 3, group4 ? 4 : 3);
        // Decoded fax bits are 1 for black; BlackIs1 in a PDF means the
        // reader shows those 1 bits as white, as BlackIsZero does.
        Entry(262, 3, image.blackIs1 ? 1 : 0);
        Entry(273, 4, strip);
        Entry(277, 3, 1);
        Entry(278, 4, image.rows);
        Entry(279, 4, static_cast<uint32_t>(image.data->size()));
        Entry(282, 5, resolutions, 1);
        Entry(283, 5, resolutions + 8, 1);
        if (!group4)
            Entry(292, 4, image.k > 0 ? 1 : 0);  // T4Options: two-dimensional lines
        Entry(296, 3, 2);
        Put32(0);
        PutRational(PerInch(image.columns, image.width));
        PutRational(PerInch(image.rows, image.height));
        bytes += *image.data;
    }

    const std::string& Bytes() const { return bytes; }

private:
    // Pixels per inch in hundredths: `pixels` over `points` / 72.
    static uint32_t PerInch(uint32_t pixels, double points)
    {
        const double perInch = points > 0 ? pixels * 72.0 / points : 0;
        return perInch > 0 && perInch < 40000000 ? static_cast<uint32_t>(std::lround(perInch * 100)) : 0;
    }

    void Put16(uint16_t value)
    {
        bytes += static_cast<char>(value & 0xFF);
        bytes += static_cast<char>(value >> 8);
    }

    void Put32(uint32_t value)
    {
        Put16(static_cast<uint16_t>(value & 0xFFFF));
        Put16(static_cast<uint16_t>(value >> 16));
    }

    void PutRational(uint32_t hundredths)
    {
        Put32(hundredths);
        Put32(100);
    }

    // A SHORT value is left-aligned in the entry's four bytes.
    void Entry(uint16_t tag, uint16_t type, uint32_t value, uint32_t count = 1)
    {
        Put16(tag);
        Put16(type);
        Put32(count);
        if (type == 3)
        {
            Put16(static_cast<uint16_t>(value));
            Put16(0);
        }
        else
            Put32(value);
    }

    std::string bytes;
};

}  // namespace

FaxBitmap::FaxBitmap(const FaxImage& image)
{
    if (!image.data || image.data->empty())
        error = "empty fax image";
    else if (!Decodable(image.columns, image.rows))
        error = "fax image too large to read";
    else
        Decode(TiffWrapper(image).Bytes());
}

FaxBitmap::FaxBitmap(const std::string& tiff)
{
    wxMemoryInputStream input(tiff.data(), tiff.size());
    const TiffPage page(input);
    if (!page.IsOk())
        error = page.GetError();
    else if (!Decodable(page.width, page.length))
        error = "fax image too large to read";
    else
        Decode(tiff);
}

void FaxBitmap::Decode(const std::string& tiff)
{
    pix = pixReadMemTiff(reinterpret_cast<const l_uint8*>(tiff.data()), tiff.size(), 0);
    if (pix && pixGetDepth(pix) != 1)
        pixDestroy(&pix);
    if (!pix)
    {
        error = "unreadable fax image";
        return;
    }
    // Without a resolution the page is taken to fill a letter sheet's
    // width, as the PDF writer fits it.
    if (pixGetXRes(pix) <= 0 || pixGetYRes(pix) <= 0)
    {
        const int perInch = std::max(1, static_cast<int>(std::lround(pixGetWidth(pix) / 8.5)));
        pixSetResolution(pix, perInch, perInch);
    }
}

FaxBitmap::~FaxBitmap()
{
    pixDestroy(&pix);
}

bool FaxBitmap::IsOk() const
{
    return pix != nullptr;
}

wxString FaxBitmap::GetError() const
{
    return error;
}

Pix* FaxBitmap::GetPix() const
{
    return pix;
}

int FaxBitmap::GetWidth() const
{
    return pix ? pixGetWidth(pix) : 0;
}

int FaxBitmap::GetHeight() const
{
    return pix ? pixGetHeight(pix) : 0;
}

int FaxBitmap::GetXResolution() const
{
    return pix ? pixGetXRes(pix) : 0;
}

int FaxBitmap::GetYResolution() const
{
    return pix ? pixGetYRes(pix) : 0;
}
