#include "pdf/PdfCheck.h"

#include <qpdf/Pl_Discard.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

// Whether the page tree names more than maxPdfPages pages, counted from its
// /Kids arrays as qpdf's own list of the pages would count them (a page
// named twice is two pages). That list copies a page for each further place
// the tree names it, which for a tree naming one page a million times takes
// long and cannot be stopped. A tree that takes more than four steps per
// page allowed is refused too (one whose nodes hold two or more entries
// each takes at most three), so that no tree costs more than that.
bool TooManyPages(QPDF& reader)
{
    struct Node
    {
        QPDFObjectHandle kids;
        int next;
        QPDFObjGen id;
    };
    std::vector<Node> path;
    std::set<QPDFObjGen> onPath;
    // False for a page; a node already on the path (a loop, which qpdf
    // refuses itself) is not entered again.
    const auto enter = [&](QPDFObjectHandle node) {
        QPDFObjectHandle kids = node.isDictionary() ? node.getKey("/Kids") : QPDFObjectHandle::newNull();
        if (!kids.isArray())
            return false;
        if (!node.isIndirect() || onPath.insert(node.getObjGen()).second)
            path.push_back({kids, 0, node.getObjGen()});
        return true;
    };
    size_t pages = 0;
    size_t steps = 0;
    const size_t most = size_t(maxPdfPages);
    enter(reader.getRoot().getKey("/Pages"));
    while (!path.empty())
    {
        if (pages > most || ++steps > 4 * most)
            return true;
        Node& node = path.back();
        if (node.next >= node.kids.getArrayNItems())
        {
            onPath.erase(node.id);
            path.pop_back();
            continue;
        }
        if (!enter(node.kids.getArrayItem(node.next++)))
            ++pages;
    }
    return pages > most;
}

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

wxString ReadOfficePdf(QPDF& reader, const std::string& pdf)
{
    if (pdf.compare(0, 5, "%PDF-") != 0)
        return "Not a PDF";
    reader.setSuppressWarnings(true);
    reader.setAttemptRecovery(false);
    reader.processMemoryFile("office PDF", pdf.data(), pdf.size());
    if (reader.isEncrypted())
        return "Encrypted PDF";
    if (TooManyPages(reader))
        return wxString::Format("PDF of more than %d pages, more than any patent has", maxPdfPages);
    return wxString();
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
        pageCount = static_cast<int>(QPDFPageDocumentHelper(reader).getAllPages().size());
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
