#include "pdf/PdfCheck.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <stdexcept>

namespace {

// Counts the bytes streams decode to and drops them; past maxDecodedBytes
// the decoding stops (qpdf reports the stream as undecodable).
class DecodedBytes : public Pipeline
{
public:
    DecodedBytes() : Pipeline("decoded bytes", nullptr) {}
    void write(unsigned char const*, size_t length) override
    {
        total += length;
        if (total > maxDecodedBytes)
            throw std::length_error("decoded data too large");
    }
    void finish() override {}
    bool TooMany() const { return total > maxDecodedBytes; }

private:
    unsigned long long total = 0;
};

// Every stream decoded to its end with the lossless filters qpdf knows
// (Flate, LZW, ASCII85, ASCIIHex, RunLength); empty, or why not. A filter
// qpdf does not decode (CCITT, JBIG2, DCT) passes the bytes as they are.
wxString DecodeEveryStream(QPDF& reader)
{
    DecodedBytes decoded;
    for (QPDFObjectHandle object : reader.getAllObjects())
    {
        if (!object.isStream())
            continue;
        bool attempted = false;
        if (!object.pipeStreamData(&decoded, &attempted, 0, qpdf_dl_specialized, true))
            return decoded.TooMany() ? wxString("streams decode to more than 4 GiB")
                                     : wxString::Format("the stream of object %d cannot be decoded",
                                                        object.getObjectID());
    }
    return wxString();
}

}  // namespace

wxString TooManyPages(size_t pages)
{
    return wxString::Format("PDF of %zu pages, more than any patent has", pages);
}

wxString ReadOfficePdf(QPDF& reader, const std::string& pdf)
{
    if (pdf.compare(0, 5, "%PDF-") != 0)
        return "Not a PDF";
    reader.setSuppressWarnings(true);
    reader.setAttemptRecovery(false);
    reader.processMemoryFile("office PDF", pdf.data(), pdf.size());
    return reader.isEncrypted() ? "Encrypted PDF" : "";
}

bool CheckWholePdf(const std::string& pdf, int& pageCount, wxString& error)
{
    pageCount = 0;
    try
    {
        QPDF reader;
        error = ReadOfficePdf(reader, pdf);
        if (!error.empty())
            return false;
        const size_t pages = QPDFPageDocumentHelper(reader).getAllPages().size();
        if (pages > size_t(maxPdfPages))
        {
            error = TooManyPages(pages);
            return false;
        }
        pageCount = static_cast<int>(pages);
        // Writing every object somewhere reads all of them.
        Pl_Discard discard;
        QPDFWriter writer(reader);
        writer.setOutputPipeline(&discard);
        writer.setDecodeLevel(qpdf_dl_generalized);
        writer.write();
        const wxString undecodable = DecodeEveryStream(reader);
        if (!undecodable.empty())
            error = "Damaged PDF: " + undecodable;
        else if (reader.anyWarnings())
            error = "Damaged PDF";
        else if (pageCount == 0)
            error = "PDF without pages";
    }
    catch (const std::exception& failure)
    {
        error = "Damaged PDF: " + wxString::FromUTF8(failure.what()).BeforeFirst('\n');
    }
    return error.empty();
}
