#include "pdf/PdfWriter.h"

#include "pdf/TiffPage.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file grows in writes of this size. The page cache takes a few large
// writes much faster than one smaller write per page (larger folios, less
// bookkeeping per byte), which outweighs copying the images into the buffer.
const size_t writeBufferSize = 256 * 1024;

// A page count beyond this would need object numbers past the 8388607 that
// PDF readers are required to handle.
const int32_t maxPageCount = (8388607 - 3) / 4;

struct PageSize
{
    uint64_t width;
    uint64_t height;
};

// Fits a 612 x 792 point sheet at the image's own aspect ratio. Computed in
// 64 bits so large images cannot overflow; never 0 so the page stays valid.
PageSize FitPage(uint64_t w, uint64_t h)
{
    PageSize size;
    if (h * 612 > w * 792)
        size = {w * 792 / h, 792};
    else
        size = {612, h * 612 / w};
    size.width = std::max<uint64_t>(size.width, 1);
    size.height = std::max<uint64_t>(size.height, 1);
    return size;
}

// A PDF literal string that no name can break out of: delimiters and the
// escape character are escaped, other bytes outside printable ASCII written
// as octal escapes.
std::string EscapeLiteral(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    std::string escaped;
    for (size_t i = 0; i < utf8.length(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(utf8.data()[i]);
        char octal[5];
        if (c == '(' || c == ')' || c == '\\')
            escaped += {'\\', static_cast<char>(c)};
        else if (c < 0x20 || c >= 0x7F)
            escaped.append(octal, std::snprintf(octal, sizeof octal, "\\%03o", c));
        else
            escaped += static_cast<char>(c);
    }
    return escaped;
}

// /K of the fax decoder: -1 for Group 4; for Group 3 0 when every line is
// coded one-dimensionally, else any positive value (the lines carry their
// own mode), as a two-dimensional page declared 0 would decode to garbage.
int FaxK(const TiffPage& page)
{
    if (page.compression == 4)
        return -1;
    return (page.t4Options & 1) ? 1 : 0;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens `path` for writing, locked against every other writer, and empties
// it: a file left by a killed process is taken over, one being written now
// is refused (EBUSY). A link at `path` is refused rather than followed.
// The descriptor, or -1 with errno set.
int OpenLocked(const wxString& path)
{
    const wxCharBuffer name = path.fn_str();
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        const int fd = open(name, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0)
            return -1;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        {
            const int cause = errno == EWOULDBLOCK ? EBUSY : errno;
            close(fd);
            errno = cause;
            return -1;
        }
        // The writer that held the lock may have renamed the file between
        // our open and our lock; then the name is free for a new file.
        struct stat opened;
        struct stat named;
        if (fstat(fd, &opened) == 0 && stat(name, &named) == 0 && SameFile(opened, named))
        {
            if (ftruncate(fd, 0) == 0)
                return fd;
        }
        const int cause = errno;
        close(fd);
        errno = cause != 0 ? cause : EBUSY;
    }
    return -1;
}

}  // namespace

wxString PdfWriter::MakeTitle(const wxString& path)
{
    wxString title = path.AfterLast(wxFileName::GetPathSeparator());
    title.Replace(".pdf", "");
    return title;
}

wxString PdfWriter::TempPathFor(const wxString& path)
{
    wxFileName name(path);
    name.SetFullName("." + name.GetFullName() + ".part");
    return name.GetFullPath();
}

PdfWriter::PdfWriter(const wxString& path_, int pageCount_)
    : pageCount(pageCount_), path(path_), tempPath(TempPathFor(path_))
{
    if (pageCount < 1 || pageCount > maxPageCount)
    {
        Fail("Invalid page count");
        return;
    }
    wxLogNull quiet;  // the failures below are reported through GetError()
    // A folder under the name could never be replaced by the document.
    const int cause = wxDirExists(path) ? EISDIR : Open();
    if (cause != 0)
    {
        systemError = cause;
        Fail("Creating PDF");
        return;
    }
    created = true;
    // The stdio buffer would split each of our buffer's writes in two.
    std::setvbuf(fileStream->GetFile()->fp(), nullptr, _IONBF, 0);
    bufferedStream = std::make_unique<wxBufferedOutputStream>(*fileStream, writeBufferSize);

    WriteHeader() && WriteCatalog() && WriteInfo() && WritePageTree();
}

int PdfWriter::Open()
{
    const int fd = OpenLocked(tempPath);
    if (fd < 0)
        return errno != 0 ? errno : EIO;
    // A second descriptor keeps the lock while the stream's is closed.
    lockFd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    FILE* file = lockFd < 0 ? nullptr : fdopen(fd, "wb");
    if (!file)
    {
        const int cause = errno != 0 ? errno : EIO;
        close(fd);
        wxRemoveFile(tempPath);
        return cause;
    }
    fileStream = std::make_unique<wxFFileOutputStream>(file);
    return 0;
}

PdfWriter::~PdfWriter()
{
    Close();
}

bool PdfWriter::IsOk() const
{
    return ok;
}

wxString PdfWriter::GetError() const
{
    return error;
}

wxString PdfWriter::GetSystemError() const
{
    return systemError != 0 ? wxString(wxSysErrorMsgStr(systemError)) : wxString();
}

bool PdfWriter::Fail(const wxString& text)
{
    ok = false;
    error = text;
    return false;
}

bool PdfWriter::RejectPage(const wxString& text)
{
    error = text;
    return false;
}

bool PdfWriter::StreamGood()
{
    if (!bufferedStream->IsOk() || !fileStream->IsOk())
        WriteFailed();
    return !writeFailed;
}

// Once a write has failed the file has lost bytes it cannot get back, so
// every write failure leaves the writer unusable and the file to be deleted.
bool PdfWriter::Check(const wxString& text)
{
    return StreamGood() || Fail(text);
}

// Taken right after the failed call, while errno still holds its cause.
void PdfWriter::WriteFailed()
{
    if (!writeFailed && systemError == 0)
        systemError = errno != 0 ? errno : EIO;
    writeFailed = true;
}

void PdfWriter::RecordOffset()
{
    if (position > std::numeric_limits<uint32_t>::max())
    {
        errno = EFBIG;  // beyond what a cross-reference entry can hold
        WriteFailed();
        return;
    }
    objectOffsets.push_back(static_cast<uint32_t>(position));
}

void PdfWriter::Put(const char* bytes, size_t count)
{
    bufferedStream->Write(bytes, count);
    if (bufferedStream->LastWrite() != count)
        WriteFailed();
    position += count;
}

void PdfWriter::Put(const std::string& text)
{
    Put(text.data(), text.size());
}

// The text of the file is written as bytes, line ends as CR LF, so the
// position counts every byte that reaches the file.
void PdfWriter::Print(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length < 0 || static_cast<size_t>(length) >= sizeof line)
    {
        errno = EOVERFLOW;  // never with the fixed texts of this file
        WriteFailed();
    }
    else
        Put(line, static_cast<size_t>(length));
}

bool PdfWriter::WriteHeader()
{
    Put("%PDF-1.1 \r\n%\xE2\xE3\xCF\xD3\r\n");
    return Check("Writing PDF Header");
}

bool PdfWriter::WriteCatalog()
{
    RecordOffset();
    Put("1 0 obj\r\n<< \r\n/Type /Catalog\r\n/Pages 3 0 R\r\n>>\r\nendobj\r\n");
    return Check("Writing PDF Catalog");
}

bool PdfWriter::WriteInfo()
{
    RecordOffset();
    Put("2 0 obj\r\n<< \r\n/Producer (FolioHarvester)\r\n/Title (" + EscapeLiteral(MakeTitle(path))
        + ")\r\n>>\r\nendobj\r\n");
    return Check("Writing PDF Info");
}

bool PdfWriter::WritePageTree()
{
    RecordOffset();
    std::string tree = "3 0 obj\r\n<< \r\n/Type /Pages\r\n/Kids [";
    for (int32_t k = 1; k <= pageCount; ++k)
        tree += " " + std::to_string(4 * k) + " 0 R";
    tree += "]\r\n/Count " + std::to_string(pageCount) + "\r\n>>\r\nendobj\r\n";
    Put(tree);
    return Check("Writing PDF Page Tree");
}

bool PdfWriter::AddPage(wxInputStream& input)
{
    if (!ok)
        return false;
    // A page beyond the announced count would not be in the page tree and
    // would make a complete document incomplete.
    if (pagesWritten >= pageCount)
    {
        error = "All pages already added";
        return false;
    }
    TiffPage page(input);
    if (!page.IsOk())
        return RejectPage(page.GetError());
    if (page.photometric != 0)
        return Fail("Colorspace unsupported!");
    if (page.compression != 3 && page.compression != 4)
        return Fail("Compression unsupported!");
    // Checked before anything is written, so a retry of a damaged download
    // gets the same object numbers.
    if (page.width == 0 || page.length == 0)
        return RejectPage(" image width or length is 0!");
    if (!page.StripsInsideData())
        return RejectPage(" image strips outside the data!");
    // Strip arrays stored outside the directory are not read, so the image
    // data would be missing from the page.
    if (page.GetStripCount() == 0)
        return Fail("Strip layout unsupported!");

    wxLogNull quiet;  // write failures are reported through GetError()
    return WritePage(page);
}

bool PdfWriter::WritePage(TiffPage& page)
{
    const int p = 4 * (pagesWritten + 1);
    const PageSize size = FitPage(page.width, page.length);
    const unsigned long long w = size.width;
    const unsigned long long h = size.height;

    RecordOffset();
    Print("%d 0 obj\r\n<< \r\n/Type /Page\r\n/Parent 3 0 R \r\n"
          "/MediaBox [0.0000 0.0000 %llu %llu]\r\n/Contents %d 0 R \r\n"
          "/Resources << \r\n/XObject << \r\n/Im%d %d 0 R >>\r\n"
          "/ProcSet [ /ImageB ]\r\n>>\r\n>>\r\nendobj\r\n",
          p, w, h, p + 1, imageIndex, p + 2);
    if (!Check("Writing PDF Page Mediabox"))
        return false;

    RecordOffset();
    char content[128];
    const int contentLength = std::snprintf(content, sizeof content,
                                            "q  %llu.0000 0.0000 0.0000 %llu.0000 0.0000 0.0000 cm /Im%d Do Q",
                                            w, h, imageIndex);
    Print("%d 0 obj\r\n<< \r\n/Length %d \r\n>>\r\nstream\r\n%s\r\nendstream\r\nendobj\r\n", p + 1,
          contentLength, content);
    if (!Check("Writing PDF Page Dictionary"))
        return false;

    RecordOffset();
    Print("%d 0 obj\r\n<< \r\n/Length %d 0 R\r\n/Type /XObject\r\n/Subtype /Image\r\n"
          "/Name /Im%d\r\n/Width %u\r\n/Height %u\r\n/BitsPerComponent %u\r\n"
          "/ColorSpace /DeviceGray\r\n"
          "/Filter /CCITTFaxDecode /DecodeParms << /K %d /Columns %u /Rows %u >>\r\n"
          " >>\r\nstream\r\n",
          p + 2, p + 3, imageIndex, page.width, page.length,
          // A missing BitsPerSample means 1, the TIFF default.
          page.bitsPerSample != 0 ? page.bitsPerSample : 1u, FaxK(page), page.width, page.length);
    if (!Check("Writing PDF Page Stream Header"))
        return false;

    const uint64_t imageBytes = page.StripDataSize();
    page.WriteStrips(*bufferedStream);
    position += imageBytes;
    if (!page.IsOk())
        WriteFailed();
    if (!Check("Writing PDF Page Stream"))
        return false;

    Put("\r\nendstream\r\nendobj\r\n");
    if (!Check("Writing PDF Page Ending"))
        return false;

    RecordOffset();
    Print("%d 0 obj\r\n%llu\r\nendobj\r\n", p + 3, static_cast<unsigned long long>(imageBytes));
    if (!Check("Writing PDF Page Stream Length"))
        return false;

    ++imageIndex;
    ++pagesWritten;
    return true;
}

bool PdfWriter::WriteTrailer()
{
    const uint64_t xref = position;
    const size_t entries = objectOffsets.size() + 1;
    std::string table = "xref\r\n0 " + std::to_string(entries) + "\r\n0000000000 65535 f\r\n";
    table.reserve(table.size() + 20 * entries + 128);
    char entry[32];
    for (uint32_t offset : objectOffsets)
        table.append(entry, std::snprintf(entry, sizeof entry, "%010u 00000 n\r\n", offset));
    table += "trailer\r\n<< \r\n/Size " + std::to_string(entries) + "\r\n/Root 1 0 R\r\n/Info 2 0 R\r\n>>\r\n"
        + "startxref\r\n" + std::to_string(xref) + "\r\n%%EOF";
    Put(table);
    return StreamGood();
}

bool PdfWriter::CloseStreams()
{
    if (!fileStream)
        return false;
    bool good = bufferedStream->Close() && StreamGood();
    if (!good)
        WriteFailed();
    bufferedStream.reset();
    // A short final write is no error to the streams; the file's length
    // tells whether every byte arrived.
    if (good && fileStream->TellO() != static_cast<wxFileOffset>(position))
    {
        good = false;
        WriteFailed();
    }
    if (!fileStream->Close() && good)
    {
        good = false;
        WriteFailed();
    }
    fileStream.reset();
    return good;
}

bool PdfWriter::Rename()
{
    if (wxRename(tempPath, path) == 0)
        return true;
    systemError = errno != 0 ? errno : EIO;
    return false;
}

bool PdfWriter::Close()
{
    if (closed)
        return complete;
    closed = true;
    wxLogNull quiet;
    bool finished = false;
    if (bufferedStream && ok && StreamGood() && pagesWritten == pageCount)
        finished = WriteTrailer();
    finished = CloseStreams() && finished;
    finished = finished && Rename();
    // Only a file this writer created is removed: when creation failed the
    // name may be another writer's.
    if (!finished && created)
        wxRemoveFile(tempPath);
    if (lockFd >= 0)
        close(lockFd);
    lockFd = -1;
    if (!finished && created && systemError != 0)
        error = GetSystemError();
    complete = finished;
    return complete;
}
