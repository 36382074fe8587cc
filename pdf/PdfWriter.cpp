#include "pdf/PdfWriter.h"

#include "pdf/FaxImage.h"
#include "pdf/LockedFile.h"
#include "pdf/TiffPage.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/strconv.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <string>

#include <unistd.h>

namespace {

// The file grows in writes of this size. The page cache takes a few large
// writes much faster than one smaller write per page (larger folios, less
// bookkeeping per byte), which outweighs copying the images into the buffer.
const size_t writeBufferSize = 256 * 1024;

// The highest object number PDF readers are required to handle; a page count
// beyond maxPageCount would need more.
const int32_t maxObjectNumber = 8388607;
const int32_t maxPageCount = (maxObjectNumber - 3) / 4;

// The page sizes PDF readers are required to handle, in points.
const uint64_t minPageSide = 3;
const uint64_t maxPageSide = 14400;

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

// Points along one axis of an image: its pixels over its resolution give
// inches (centimetres divided by 2.54), times 72, rounded to the nearest
// point as readers print page sizes (an A4 scan gives 595 x 842). 0 when the
// resolution is missing, has no unit, or gives a page readers refuse.
uint64_t AxisPoints(uint32_t pixels, TiffPage::Rational resolution, uint32_t unit)
{
    const unsigned perInchTimes100 = unit == 2 ? 100 : unit == 3 ? 254 : 0;
    if (perInchTimes100 == 0 || resolution.numerator == 0 || resolution.denominator == 0)
        return 0;
    // Up to 77 bits before the division.
    using Wide = unsigned __int128;
    const Wide scaled = Wide(pixels) * resolution.denominator * 7200;
    const Wide divisor = Wide(resolution.numerator) * perInchTimes100;
    const Wide points = (2 * scaled + divisor) / (2 * divisor);
    return points >= minPageSide && points <= maxPageSide ? static_cast<uint64_t>(points) : 0;
}

PageSize SizeFromResolution(const TiffPage& page)
{
    const uint64_t width = AxisPoints(page.width, page.xResolution, page.resolutionUnit);
    const uint64_t height = AxisPoints(page.length, page.yResolution, page.resolutionUnit);
    if (width == 0 || height == 0)
        return FitPage(page.width, page.length);
    return {width, height};
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

// A PDF text string: a literal when the text is ASCII, else UTF-16BE behind
// its byte order mark, as a hex string.
std::string TextString(const wxString& text)
{
    if (text.IsAscii())
        return "(" + EscapeLiteral(text) + ")";
    const wxScopedCharBuffer utf16 = text.mb_str(wxMBConvUTF16BE());
    std::string hex = "<FEFF";
    char digits[3];
    for (size_t i = 0; i < utf16.length(); ++i)
    {
        const unsigned char byte = static_cast<unsigned char>(utf16.data()[i]);
        hex.append(digits, std::snprintf(digits, sizeof digits, "%02X", byte));
    }
    return hex + ">";
}

std::string Reference(int32_t object)
{
    return std::to_string(object) + " 0 R";
}

// A page side in points as the MediaBox gives it: whole points as an
// integer, others with up to four decimals.
std::string PointsText(double points)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", points);
    std::string value = text;
    value.erase(value.find_last_not_of('0') + 1);
    if (!value.empty() && value.back() == '.')
        value.pop_back();
    return value;
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

}  // namespace

wxString PdfWriter::MakeTitle(const wxString& path)
{
    // Windows takes "/" as well as "\\" between folders.
    const size_t slash = path.find_last_of(wxFileName::GetPathSeparators());
    wxString title = slash == wxString::npos ? path : path.substr(slash + 1);
    title.Replace(".pdf", "");
    return title;
}

wxString PdfWriter::TempPathFor(const wxString& path)
{
    wxFileName name(path);
    name.SetFullName("." + name.GetFullName() + ".part");
    return name.GetFullPath();
}

PdfWriter::PdfWriter(const wxString& path_, int pageCount_) : PdfWriter(path_, pageCount_, Options())
{
}

PdfWriter::PdfWriter(const wxString& path_, int pageCount_, const Options& options_)
    : options(options_), pageCount(pageCount_), path(path_), tempPath(TempPathFor(path_))
{
    if (pageCount < 1 || pageCount > maxPageCount)
    {
        Fail("Invalid page count");
        return;
    }
    PlanOutline();
    if (Start())
        WriteHeader() && WriteCatalog() && WriteInfo() && WritePageTree();
}

PdfWriter::PdfWriter(const wxString& path_, const std::string& wholeDocument)
    : pageCount(1), path(path_), tempPath(TempPathFor(path_)), asServed(true)
{
    if (!Start())
        return;
    Put(wholeDocument);
    if (Check("Writing PDF"))
        pagesWritten = pageCount;
}

bool PdfWriter::Start()
{
    wxLogNull quiet;  // the failures below are reported through GetError()
    // A folder under the name could never be replaced by the document.
    wxString why;
    const int cause = wxDirExists(path) ? EISDIR : Open(why);
    if (cause != 0)
    {
        systemError = cause;
        if (cause == EISDIR)
            why = wxFileName(path).GetFullName() + " is a folder";
        return Fail("Creating PDF: " + (why.empty() ? GetSystemError() : why));
    }
    created = true;
    // The stdio buffer would split each of our buffer's writes in two.
    std::setvbuf(fileStream->GetFile()->fp(), nullptr, _IONBF, 0);
    bufferedStream = std::make_unique<wxBufferedOutputStream>(*fileStream, writeBufferSize);
    return true;
}

int PdfWriter::Open(wxString& cause)
{
    const int fd = LockedFile::Open(tempPath, cause);
    if (fd < 0)
        return errno != 0 ? errno : EIO;
    // A second descriptor keeps the lock while the stream's is closed.
    lockFd = LockedFile::KeepLock(fd);
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
    return systemError != 0 ? LockedFile::ErrorText(systemError) : wxString();
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

// The outline objects follow the last page's, so the catalog, written first,
// can name the outline's root before any page is known. Entries for pages
// the document lacks are dropped, the rest kept in page order, and entries
// past the highest object number left out.
void PdfWriter::PlanOutline()
{
    std::vector<OutlineEntry>& outline = options.outline;
    const auto outside = [this](const OutlineEntry& entry) { return entry.page < 1 || entry.page > pageCount; };
    outline.erase(std::remove_if(outline.begin(), outline.end(), outside), outline.end());
    std::stable_sort(outline.begin(), outline.end(),
                     [](const OutlineEntry& a, const OutlineEntry& b) { return a.page < b.page; });
    const int64_t room = int64_t{maxObjectNumber} - OutlineRoot();
    outline.resize(static_cast<size_t>(std::clamp<int64_t>(room, 0, outline.size())));
}

int32_t PdfWriter::OutlineRoot() const
{
    return 4 * pageCount + 4;
}

// Unicode text strings came with PDF 1.2.
bool PdfWriter::WriteHeader()
{
    const bool unicode = std::any_of(options.outline.begin(), options.outline.end(),
                                     [](const OutlineEntry& entry) { return !entry.title.IsAscii(); });
    Put(unicode ? "%PDF-1.2 \r\n%\xE2\xE3\xCF\xD3\r\n" : "%PDF-1.1 \r\n%\xE2\xE3\xCF\xD3\r\n");
    return Check("Writing PDF Header");
}

bool PdfWriter::WriteCatalog()
{
    RecordOffset();
    std::string catalog = "1 0 obj\r\n<< \r\n/Type /Catalog\r\n/Pages 3 0 R\r\n";
    if (!options.outline.empty())
        catalog += "/Outlines " + Reference(OutlineRoot()) + "\r\n/PageMode /UseOutlines\r\n";
    Put(catalog + ">>\r\nendobj\r\n");
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
    if (page.width > maxImageSide || page.length > maxImageSide)
        return RejectPage(wxString::Format(" image width or length over %u!", unsigned(maxImageSide)));
    if (!page.StripsInsideData())
        return RejectPage(" image strips outside the data!");
    // Strip arrays stored outside the directory are not read, so the image
    // data would be missing from the page.
    if (page.GetStripCount() == 0)
        return Fail("Strip layout unsupported!");

    wxLogNull quiet;  // write failures are reported through GetError()
    return WritePage(page);
}

bool PdfWriter::AddFaxPage(const FaxImage& image)
{
    if (!ok)
        return false;
    if (pagesWritten >= pageCount)
    {
        error = "All pages already added";
        return false;
    }
    if (!image.data || image.data->empty() || image.columns == 0 || image.rows == 0)
        return RejectPage("Empty fax image");
    if (image.columns > maxImageSide || image.rows > maxImageSide)
        return RejectPage(wxString::Format("Fax image width or length over %u", unsigned(maxImageSide)));
    if (!(image.width >= minPageSide && image.width <= maxPageSide && image.height >= minPageSide
          && image.height <= maxPageSide))
        return RejectPage("Page size unsupported!");

    std::string parameters = "/K " + std::to_string(image.k) + " /Columns " + std::to_string(image.columns)
        + " /Rows " + std::to_string(image.rows);
    if (image.blackIs1)
        parameters += " /BlackIs1 true";
    const std::string fields = ImageFields(image.columns, image.rows, 1, parameters);
    wxLogNull quiet;  // write failures are reported through GetError()
    const auto written = writtenImages.find(image.data);
    if (written != writtenImages.end() && written->second.fields == fields)
        return WriteImagePage(image.width, image.height, fields, 0, nullptr, &written->second);
    const WrittenImage mine{fields, 4 * (pagesWritten + 1) + 2, imageIndex};
    const auto writeData = [this, &image] {
        Put(*image.data);
        return true;
    };
    if (!WriteImagePage(image.width, image.height, fields, image.data->size(), writeData))
        return false;
    writtenImages.emplace(image.data, mine);
    return true;
}

bool PdfWriter::WritePage(TiffPage& page)
{
    const PageSize size =
        options.pageSizeFromResolution ? SizeFromResolution(page) : FitPage(page.width, page.length);
    const std::string parameters = "/K " + std::to_string(FaxK(page)) + " /Columns " + std::to_string(page.width)
        + " /Rows " + std::to_string(page.length);
    // A missing BitsPerSample means 1, the TIFF default.
    const std::string fields =
        ImageFields(page.width, page.length, page.bitsPerSample != 0 ? page.bitsPerSample : 1u, parameters);
    const uint64_t imageBytes = page.StripDataSize();
    const auto writeData = [this, &page, imageBytes] {
        page.WriteStrips(*bufferedStream);
        position += imageBytes;
        return page.IsOk();
    };
    return WriteImagePage(static_cast<double>(size.width), static_cast<double>(size.height), fields, imageBytes,
                          writeData);
}

std::string PdfWriter::ImageFields(uint32_t width, uint32_t height, uint32_t bits, const std::string& parameters)
{
    return "/Width " + std::to_string(width) + "\r\n/Height " + std::to_string(height) + "\r\n/BitsPerComponent "
        + std::to_string(bits) + "\r\n/ColorSpace /DeviceGray\r\n/Filter /CCITTFaxDecode /DecodeParms << "
        + parameters + " >>\r\n";
}

// One page of one image: the page, its content stream drawing the image
// over the whole page, the image (`fields` its dictionary's entries after
// /Name, `writeData` its bytes) and the image's length. A page that shows
// an image written before (`shared`) names that one, and its own two image
// objects are nulls, so that every page keeps its four object numbers.
bool PdfWriter::WriteImagePage(double width, double height, const std::string& fields, uint64_t imageBytes,
                               const std::function<bool()>& writeData, const WrittenImage* shared)
{
    const int p = 4 * (pagesWritten + 1);
    const int image = shared ? shared->object : p + 2;
    const int name = shared ? shared->name : imageIndex;

    RecordOffset();
    Print("%d 0 obj\r\n<< \r\n/Type /Page\r\n/Parent 3 0 R \r\n"
          "/MediaBox [0.0000 0.0000 %s %s]\r\n/Contents %d 0 R \r\n"
          "/Resources << \r\n/XObject << \r\n/Im%d %d 0 R >>\r\n"
          "/ProcSet [ /ImageB ]\r\n>>\r\n>>\r\nendobj\r\n",
          p, PointsText(width).c_str(), PointsText(height).c_str(), p + 1, name, image);
    if (!Check("Writing PDF Page Mediabox"))
        return false;

    RecordOffset();
    char content[160];
    const int contentLength = std::snprintf(content, sizeof content,
                                            "q  %.4f 0.0000 0.0000 %.4f 0.0000 0.0000 cm /Im%d Do Q",
                                            width, height, name);
    Print("%d 0 obj\r\n<< \r\n/Length %d \r\n>>\r\nstream\r\n%s\r\nendstream\r\nendobj\r\n", p + 1,
          contentLength, content);
    if (!Check("Writing PDF Page Dictionary"))
        return false;

    if (shared)
    {
        for (int unused = p + 2; unused <= p + 3; ++unused)
        {
            RecordOffset();
            Print("%d 0 obj\r\nnull\r\nendobj\r\n", unused);
        }
        if (!Check("Writing PDF Page Stream"))
            return false;
        ++imageIndex;
        ++pagesWritten;
        return true;
    }

    RecordOffset();
    Print("%d 0 obj\r\n<< \r\n/Length %d 0 R\r\n/Type /XObject\r\n/Subtype /Image\r\n/Name /Im%d\r\n",
          p + 2, p + 3, imageIndex);
    Put(fields + " >>\r\nstream\r\n");
    if (!Check("Writing PDF Page Stream Header"))
        return false;

    if (!writeData())
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

// A flat outline: the root, then one item per entry, each going to its page
// shown whole.
bool PdfWriter::WriteOutline()
{
    const std::vector<OutlineEntry>& outline = options.outline;
    if (outline.empty())
        return true;
    const int32_t root = OutlineRoot();
    const int32_t first = root + 1;
    const int32_t last = root + static_cast<int32_t>(outline.size());
    RecordOffset();
    Put(std::to_string(root) + " 0 obj\r\n<< \r\n/Type /Outlines\r\n/First " + Reference(first) + "\r\n/Last "
        + Reference(last) + "\r\n/Count " + std::to_string(outline.size()) + "\r\n>>\r\nendobj\r\n");
    for (int32_t item = first; item <= last; ++item)
    {
        const OutlineEntry& entry = outline[item - first];
        std::string text = std::to_string(item) + " 0 obj\r\n<< \r\n/Title " + TextString(entry.title)
            + "\r\n/Parent " + Reference(root) + "\r\n";
        if (item > first)
            text += "/Prev " + Reference(item - 1) + "\r\n";
        if (item < last)
            text += "/Next " + Reference(item + 1) + "\r\n";
        RecordOffset();
        Put(text + "/Dest [" + Reference(4 * entry.page) + " /Fit]\r\n>>\r\nendobj\r\n");
    }
    return StreamGood();
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
    if (LockedFile::Rename(tempPath, path))
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
        finished = asServed || (WriteOutline() && WriteTrailer());
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
