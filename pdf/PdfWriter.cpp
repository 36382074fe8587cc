#include "pdf/PdfWriter.h"

#include "net/HttpSession.h"
#include "pdf/TiffPage.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/txtstrm.h>
#include <wx/wfstream.h>

#include <algorithm>
#include <limits>

namespace {

// Large enough that a 100-page document leaves the process in a few dozen
// writes; the file stream itself is unbuffered.
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
wxString EscapeLiteral(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    wxString escaped;
    for (size_t i = 0; i < utf8.length(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(utf8.data()[i]);
        if (c == '(' || c == ')' || c == '\\')
            escaped << '\\' << static_cast<char>(c);
        else if (c < 0x20 || c >= 0x7F)
            escaped << wxString::Format("\\%03o", static_cast<unsigned>(c));
        else
            escaped << static_cast<char>(c);
    }
    return escaped;
}

}  // namespace

wxString PdfWriter::MakeTitle(const wxString& path)
{
    wxString title = path.AfterLast(wxFileName::GetPathSeparator());
    title.Replace(".pdf", "");
    return title;
}

PdfWriter::PdfWriter(const wxString& path_, int pageCount_)
    : pageCount(pageCount_), path(path_)
{
    if (pageCount < 1 || pageCount > maxPageCount)
    {
        Fail("Invalid page count");
        return;
    }
    wxLogNull quiet;  // the failures below are reported through GetError()
    fileStream = std::make_unique<wxFFileOutputStream>(path);
    if (!fileStream->IsOk())
    {
        fileStream.reset();
        Fail("Creating PDF");
        return;
    }
    created = true;
    bufferedStream = std::make_unique<wxBufferedOutputStream>(*fileStream, writeBufferSize);
    textStream = std::make_unique<wxTextOutputStream>(*bufferedStream, wxEOL_DOS, wxConvUTF8);

    WriteHeader() && WriteCatalog() && WriteInfo() && WritePageTree();
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

bool PdfWriter::Fail(const wxString& text)
{
    ok = false;
    error = text;
    return false;
}

bool PdfWriter::RejectPage(const wxString& text)
{
    error = text;
    wxLogError("Error?%s", text);
    return false;
}

bool PdfWriter::StreamGood()
{
    if (!bufferedStream->IsOk() || !fileStream->IsOk())
        writeFailed = true;
    return !writeFailed;
}

// Once a write has failed the file has lost bytes it cannot get back, so
// every write failure leaves the writer unusable and the file to be deleted.
bool PdfWriter::Check(const wxString& text)
{
    return StreamGood() || Fail(text);
}

void PdfWriter::RecordOffset()
{
    const wxFileOffset offset = bufferedStream->TellO();
    if (offset < 0 || offset > std::numeric_limits<uint32_t>::max())
        writeFailed = true;
    else
        objectOffsets.push_back(static_cast<uint32_t>(offset));
}

void PdfWriter::WriteText(const wxString& text)
{
    textStream->WriteString(text);
}

bool PdfWriter::WriteHeader()
{
    static const unsigned char binaryComment[] = {'%', 0xE2, 0xE3, 0xCF, 0xD3};
    WriteText("%PDF-1.1 \n");
    bufferedStream->Write(binaryComment, sizeof binaryComment);
    WriteText("\n");
    return Check("Writing PDF Header");
}

bool PdfWriter::WriteCatalog()
{
    RecordOffset();
    WriteText("1 0 obj\n<< \n/Type /Catalog\n/Pages 3 0 R\n>>\nendobj\n");
    return Check("Writing PDF Catalog");
}

bool PdfWriter::WriteInfo()
{
    RecordOffset();
    WriteText("2 0 obj\n<< \n/Producer (FolioHarvester)\n/Title (" + EscapeLiteral(MakeTitle(path))
              + ")\n>>\nendobj\n");
    return Check("Writing PDF Info");
}

bool PdfWriter::WritePageTree()
{
    RecordOffset();
    wxString tree = "3 0 obj\n<< \n/Type /Pages\n/Kids [";
    for (int32_t k = 1; k <= pageCount; ++k)
        tree << wxString::Format(" %d 0 R", 4 * k);
    tree << wxString::Format("]\n/Count %d\n>>\nendobj\n", pageCount);
    WriteText(tree);
    return Check("Writing PDF Page Tree");
}

bool PdfWriter::AddPageFromUrl(HttpSession& session, const wxString& requestPath)
{
    if (!ok)
        return false;
    std::unique_ptr<wxInputStream> body = session.Request(requestPath);
    if (!body)
        return false;
    return AddPage(*body);
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
    const int32_t p = 4 * (pagesWritten + 1);
    const PageSize size = FitPage(page.width, page.length);
    const unsigned long long w = size.width;
    const unsigned long long h = size.height;

    RecordOffset();
    WriteText(wxString::Format("%d 0 obj\n<< \n/Type /Page\n/Parent 3 0 R \n"
                               "/MediaBox [0.0000 0.0000 %llu %llu]\n/Contents %d 0 R \n"
                               "/Resources << \n/XObject << \n/Im%d %d 0 R >>\n"
                               "/ProcSet [ /ImageB ]\n>>\n>>\nendobj\n",
                               p, w, h, p + 1, imageIndex, p + 2));
    if (!Check("Writing PDF Page Mediabox"))
        return false;

    RecordOffset();
    const wxString content = wxString::Format(
        "q  %llu.0000 0.0000 0.0000 %llu.0000 0.0000 0.0000 cm /Im%d Do Q", w, h, imageIndex);
    WriteText(wxString::Format("%d 0 obj\n<< \n/Length %zu \n>>\nstream\n", p + 1, content.length())
              + content + "\nendstream\nendobj\n");
    if (!Check("Writing PDF Page Dictionary"))
        return false;

    RecordOffset();
    WriteText(wxString::Format("%d 0 obj\n<< \n/Length %d 0 R\n/Type /XObject\n/Subtype /Image\n"
                               "/Name /Im%d\n/Width %u\n/Height %u\n/BitsPerComponent %u\n"
                               "/ColorSpace /DeviceGray\n"
                               "/Filter /CCITTFaxDecode /DecodeParms << /K %d /Columns %u /Rows %u >>\n"
                               " >>\nstream\n",
                               p + 2, p + 3, imageIndex, page.width, page.length,
                               // A missing BitsPerSample means 1, the TIFF default.
                               page.bitsPerSample != 0 ? page.bitsPerSample : 1u,
                               page.compression == 4 ? -1 : 0, page.width, page.length));
    if (!Check("Writing PDF Page Stream Header"))
        return false;

    const wxFileOffset start = bufferedStream->TellO();
    page.WriteStrips(*bufferedStream);
    const wxFileOffset end = bufferedStream->TellO();
    if (!page.IsOk() || start < 0 || end < start
        || static_cast<uint64_t>(end - start) != page.StripDataSize())
        writeFailed = true;
    if (!Check("Writing PDF Page Stream"))
        return false;

    WriteText("\nendstream\nendobj\n");
    if (!Check("Writing PDF Page Ending"))
        return false;

    RecordOffset();
    WriteText(wxString::Format("%d 0 obj\n%lld\nendobj\n", p + 3, static_cast<long long>(end - start)));
    if (!Check("Writing PDF Page Stream Length"))
        return false;

    ++imageIndex;
    ++pagesWritten;
    return true;
}

bool PdfWriter::WriteTrailer()
{
    const wxFileOffset xref = bufferedStream->TellO();
    const size_t entries = objectOffsets.size() + 1;
    wxString table = wxString::Format("xref\n0 %zu\n0000000000 65535 f\n", entries);
    for (uint32_t offset : objectOffsets)
        table << wxString::Format("%010u 00000 n\n", offset);
    table << wxString::Format("trailer\n<< \n/Size %zu\n/Root 1 0 R\n/Info 2 0 R\n>>\nstartxref\n%lld\n%%%%EOF",
                              entries, static_cast<long long>(xref));
    WriteText(table);
    return xref >= 0 && StreamGood();
}

bool PdfWriter::CloseStreams()
{
    if (!fileStream)
        return false;
    textStream.reset();
    const wxFileOffset expected = bufferedStream->TellO();
    bool good = bufferedStream->Close() && StreamGood();
    bufferedStream.reset();
    // A short final write is no error to the streams; the file's length
    // tells whether every byte arrived.
    good = good && fileStream->TellO() == expected;
    good = fileStream->Close() && good;
    fileStream.reset();
    return good;
}

bool PdfWriter::Close()
{
    if (closed)
        return complete;
    closed = true;
    wxLogNull quiet;
    bool finished = false;
    if (textStream && ok && StreamGood() && pagesWritten == pageCount)
        finished = WriteTrailer();
    finished = CloseStreams() && finished;
    // Only a file this writer created is removed: when creation failed the
    // path may name someone else's file.
    if (!finished && created)
        wxRemoveFile(path);
    complete = finished;
    return complete;
}
