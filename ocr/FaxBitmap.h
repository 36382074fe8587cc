#pragma once

#include <wx/string.h>

#include <string>

struct FaxImage;
struct Pix;

// A page's fax-coded image decoded into a bilevel bitmap (black 1), from the
// coded bytes we already hold, with the resolution it was scanned at along
// each axis.
class FaxBitmap
{
public:
    // An image lifted from a PDF: its resolution is its size over the page's.
    explicit FaxBitmap(const FaxImage& image);
    // A TIFF page as an office serves it: its resolution is the file's, or
    // when it has none, the width of a letter sheet.
    explicit FaxBitmap(const std::string& tiff);
    ~FaxBitmap();
    FaxBitmap(const FaxBitmap&) = delete;
    FaxBitmap& operator=(const FaxBitmap&) = delete;

    bool IsOk() const;
    wxString GetError() const;

    // Owned by this bitmap; null when not IsOk().
    Pix* GetPix() const;
    int GetWidth() const;
    int GetHeight() const;
    // Pixels per inch.
    int GetXResolution() const;
    int GetYResolution() const;

private:
    void Decode(const std::string& tiff);

    Pix* pix = nullptr;
    wxString error;
};
