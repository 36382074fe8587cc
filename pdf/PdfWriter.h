#pragma once

#include <wx/string.h>

#include <cstdint>
#include <memory>
#include <vector>

class wxFileOutputStream;
class wxInputStream;
class wxTextOutputStream;
class HttpSession;

// Writes one PDF file, page by page, in a single forward pass: the page tree
// first (the page count is known), each TIFF page's fax data passed through
// as an image stream. A file whose announced pages did not all arrive is
// deleted, so a PDF exists only when it is complete.
class PdfWriter
{
public:
    PdfWriter(const wxString& path, int pageCount);
    // Finishes the file if Close() was not called; deletes it if incomplete.
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    bool IsOk() const;
    wxString GetError() const;

    // False with IsOk() still true: the page may be tried again.
    bool AddPage(wxInputStream& input);
    bool AddPageFromUrl(HttpSession& session, const wxString& requestPath);

    // Writes the cross-reference table and trailer and closes the file, or
    // deletes it when pages are missing. True when a complete file is on disk.
    bool Close();

private:
    std::unique_ptr<wxFileOutputStream> fileStream;
    std::unique_ptr<wxTextOutputStream> textStream;
    int32_t imageIndex = 1;
    bool ok = true;
    wxString error;
    int32_t pagesWritten = 0;
    int32_t pageCount = 0;
    wxString path;
    std::vector<uint32_t> objectOffsets;
    bool closed = false;
};
