#pragma once

#include <wx/string.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class wxBufferedOutputStream;
class wxFFileOutputStream;
class wxInputStream;
class TiffPage;
struct FaxImage;

// Writes one PDF file, page by page, in a single forward pass: the page tree
// first (the page count is known), each TIFF page's fax data passed through
// as an image stream. The bytes go to a hidden file beside `path`
// (TempPathFor), which takes the name `path` only once it is complete and
// is deleted otherwise: a file under the final name is always a whole PDF,
// even after the process was killed.
class PdfWriter
{
public:
    // A bookmark: `title` shown in the reader's outline, `page` counted from 1.
    struct OutlineEntry
    {
        wxString title;
        int page = 1;
    };

    struct Options
    {
        // Each page takes its size from its image's resolution, per axis;
        // a page without a usable resolution, and every page when this is
        // off, fits a 612 x 792 point sheet at the image's aspect ratio.
        bool pageSizeFromResolution = false;
        // The document's sections, one outline entry each, shown in page
        // order (entries of one page in the order given); entries for pages
        // outside the document are left out. Empty: no outline, and the file
        // is the same as without options.
        std::vector<OutlineEntry> outline;
    };

    PdfWriter(const wxString& path, int pageCount);
    PdfWriter(const wxString& path, int pageCount, const Options& options);
    // A whole PDF made elsewhere, written as it is under the same rules: the
    // hidden name until Close(), nothing under `path` unless every byte got
    // there. Pages cannot be added.
    PdfWriter(const wxString& path, const std::string& wholeDocument);
    // Finishes the file if Close() was not called; deletes it if incomplete.
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    bool IsOk() const;
    wxString GetError() const;

    // False with IsOk() still true: the page may be tried again.
    bool AddPage(wxInputStream& input);
    // A page of `image.width` x `image.height` points showing the image,
    // its coded bytes written unchanged, once for all pages that share them
    // (the same image.data). False with IsOk() still true when the image
    // cannot make a page (no data, a size no page scan has, a page size
    // readers refuse).
    bool AddFaxPage(const FaxImage& image);

    // Images wider or longer than this (or 0) are no page scan: refused.
    static constexpr uint32_t maxImageSide = 100'000;

    // Writes the cross-reference table and trailer, closes the file and
    // gives it its final name, or deletes it when pages are missing. True
    // when the complete file is under its final name. When a file operation
    // failed, GetError() tells why in the system's words afterwards.
    bool Close();

    // Why the last failed operation on the file failed, in the system's
    // words ("No space left on device"); empty when none failed.
    wxString GetSystemError() const;

    // The document title stored in the file: the name after the last path
    // separator with every ".pdf" removed.
    static wxString MakeTitle(const wxString& path);
    // The hidden name the file is written under: ".NAME.part" beside NAME.
    static wxString TempPathFor(const wxString& path);

private:
    // An image written once, which later pages show too.
    struct WrittenImage
    {
        std::string fields;
        int32_t object;
        int32_t name;  // N of /ImN
    };

    bool Fail(const wxString& text);
    // A page that could not be read: the writer stays usable. Not logged:
    // the writer runs in job threads, which must not raise a message box.
    bool RejectPage(const wxString& text);
    void WriteFailed();
    bool StreamGood();
    bool Check(const wxString& text);
    void RecordOffset();
    void Put(const char* bytes, size_t count);
    void Put(const std::string& text);
    void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void PlanOutline();
    bool WriteHeader();
    bool WriteCatalog();
    bool WriteInfo();
    bool WritePageTree();
    bool WritePage(TiffPage& page);
    static std::string ImageFields(uint32_t width, uint32_t height, uint32_t bits, const std::string& parameters);
    bool WriteImagePage(double width, double height, const std::string& fields, uint64_t imageBytes,
                        const std::function<bool()>& writeData, const WrittenImage* shared = nullptr);
    bool WriteOutline();
    bool WriteTrailer();
    int32_t OutlineRoot() const;
    bool Start();  // the hidden file opened and buffered
    int Open(wxString& cause);  // 0, or the errno of the failure and maybe its cause in words
    bool CloseStreams();
    bool Rename();

    // stdio-backed: closing flushes without forcing the file to the disk,
    // which a wxFileOutputStream does on every Close (an fsync).
    std::unique_ptr<wxFFileOutputStream> fileStream;
    // Every byte, images included, goes through this buffer.
    std::unique_ptr<wxBufferedOutputStream> bufferedStream;
    Options options;
    int32_t imageIndex = 1;
    bool ok = true;
    wxString error;
    int32_t pagesWritten = 0;
    int32_t pageCount = 0;
    wxString path;
    wxString tempPath;
    // Holds the lock on the temporary file until it has its final name, so
    // no second writer for the same name can truncate it meanwhile.
    int lockFd = -1;
    int systemError = 0;  // errno of the first failed file operation
    std::vector<uint32_t> objectOffsets;
    // Held, so no other image can take their bytes' address meanwhile.
    std::map<std::shared_ptr<const std::string>, WrittenImage> writtenImages;
    bool closed = false;
    bool asServed = false;     // holds another's whole document, not ours
    bool complete = false;
    bool created = false;      // this writer created (or truncated) the file
    bool writeFailed = false;  // sticky: a failed write is never undone
    uint64_t position = 0;     // bytes written so far: the next object's offset
};
