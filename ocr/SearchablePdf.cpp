#include "ocr/SearchablePdf.h"

#include "ocr/TextLayer.h"
#include "pdf/PdfCheck.h"
#include "pdf/PdfFaxPages.h"
#include "pdf/PdfWriter.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <wx/file.h>
#include <wx/log.h>

#include <algorithm>
#include <cmath>
#include <exception>

namespace {

wxString NotOurs(const wxString& why)
{
    return "Not a FolioHarvester PDF: " + why;
}

bool ReadWhole(const wxString& path, std::string& bytes, wxString& error)
{
    wxLogNull quiet;  // the caller reports the reason
    wxFile file;
    if (!file.Open(path))
    {
        error = wxSysErrorMsgStr(wxSysErrorCode());
        return false;
    }
    const wxFileOffset length = file.Length();
    if (length < 0)
    {
        error = wxSysErrorMsgStr(wxSysErrorCode());
        return false;
    }
    bytes.resize(static_cast<size_t>(length));
    if (file.Read(bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    {
        error = "Reading the file failed";
        return false;
    }
    return true;
}

bool HasFonts(QPDFObjectHandle resources)
{
    if (!resources.isDictionary())
        return false;
    QPDFObjectHandle fonts = resources.getKey("/Font");
    return fonts.isDictionary() && !fonts.getKeys().empty();
}

// Text is shown with a font, which the page or a form it draws names.
bool PageHasText(QPDFPageObjectHelper& page)
{
    bool found = HasFonts(page.getAttribute("/Resources", false));
    page.forEachFormXObject(true, [&found](QPDFObjectHandle& form, QPDFObjectHandle&, const std::string&) {
        found = found || HasFonts(form.getDict().getKey("/Resources"));
    });
    return found;
}

// The first operands and operators of a page's content.
class Tokens : public QPDFObjectHandle::ParserCallbacks
{
public:
    void handleObject(QPDFObjectHandle object) override
    {
        if (items.size() > 11)
            terminateParsing();
        items.push_back(object);
    }
    void handleEOF() override {}

    std::vector<QPDFObjectHandle> items;
};

// Whether the page's content is "q W 0 0 H 0 0 cm /Name Do Q" (its image
// drawn over the whole page, as the writer draws it) and nothing else, so
// that the image's pixels map onto the page as the text layer places them.
bool DrawsOnlyItsImage(QPDFPageObjectHelper& page, const FaxImage& image)
{
    const QPDFObjectHandle::Rectangle box = page.getMediaBox().getArrayAsRectangle();
    std::map<std::string, QPDFObjectHandle> images = page.getImages();
    if (box.llx != 0 || box.lly != 0 || images.size() != 1)
        return false;
    Tokens tokens;
    page.parseContents(&tokens);
    std::vector<QPDFObjectHandle>& t = tokens.items;
    const auto is = [&t](size_t i, const char* op) { return t[i].isOperator() && t[i].getOperatorValue() == op; };
    const auto near = [&t](size_t i, double expected) {
        double value = 0;
        return t[i].getValueAsNumber(value) && std::abs(value - expected) < 0.01;
    };
    return t.size() == 11 && is(0, "q") && near(1, image.width) && near(2, 0) && near(3, 0)
        && near(4, image.height) && near(5, 0) && near(6, 0) && is(7, "cm") && t[8].isName()
        && t[8].getName() == images.begin()->first && is(9, "Do") && is(10, "Q");
}

std::vector<QPDFPageObjectHelper> Pages(QPDF& pdf)
{
    return QPDFPageDocumentHelper(pdf).getAllPages();
}

}  // namespace

SearchablePdf::SearchablePdf(const wxString& path_) : path(path_)
{
    if (!ReadWhole(path, original, error))
        return;
    try
    {
        if (Read())
            CheckPages();
    }
    catch (const std::exception& failure)
    {
        Fail("Damaged PDF: " + wxString::FromUTF8(failure.what()).BeforeFirst('\n'));
    }
}

SearchablePdf::~SearchablePdf() = default;

bool SearchablePdf::Fail(const wxString& text)
{
    error = text;
    return false;
}

bool SearchablePdf::Read()
{
    pdf = std::make_unique<QPDF>();
    const wxString unusable = ReadOfficePdf(*pdf, original);
    if (!unusable.empty())
        return Fail(unusable);
    for (QPDFPageObjectHelper& page : Pages(*pdf))
        hasText.push_back(PageHasText(page));
    if (hasText.empty())
        return Fail("PDF without pages");
    return true;
}

// Pages with text are never touched; each of the others must be a fax image
// over the whole page.
bool SearchablePdf::CheckPages()
{
    if (HasTextEverywhere())
        return true;
    PdfFaxPages fax(original);
    if (!fax.IsOk())
        return Fail(NotOurs(fax.GetError()));
    images = fax.GetPages();
    std::vector<QPDFPageObjectHelper> pages = Pages(*pdf);
    for (size_t k = 0; k < pages.size(); ++k)
        if (!hasText[k] && !DrawsOnlyItsImage(pages[k], images[k]))
            return Fail(NotOurs(wxString::Format("page %zu draws more than its fax image", k + 1)));
    return true;
}

bool SearchablePdf::IsOk() const
{
    return error.empty();
}

wxString SearchablePdf::GetError() const
{
    return error;
}

int SearchablePdf::GetPageCount() const
{
    return static_cast<int>(hasText.size());
}

bool SearchablePdf::HasText(int index) const
{
    return hasText.at(index);
}

bool SearchablePdf::HasTextEverywhere() const
{
    return !hasText.empty() && std::all_of(hasText.begin(), hasText.end(), [](bool text) { return text; });
}

const FaxImage& SearchablePdf::GetImage(int index) const
{
    return images.at(index);
}

bool SearchablePdf::Unchanged() const
{
    std::string now;
    wxString ignored;
    return ReadWhole(path, now, ignored) && now == original;
}

bool SearchablePdf::Write(const std::vector<PageText>& texts)
{
    if (!IsOk() || HasTextEverywhere())
        return false;
    if (texts.size() != hasText.size())
        return Fail("The texts are not the PDF's pages");
    try
    {
        std::vector<QPDFPageObjectHelper> pages = Pages(*pdf);
        QPDFObjectHandle font;
        for (size_t k = 0; k < pages.size(); ++k)
        {
            if (hasText[k] || !texts[k].recognised)
                continue;
            if (texts[k].columns != static_cast<int>(images[k].columns)
                || texts[k].rows != static_cast<int>(images[k].rows))
                return Fail(wxString::Format("The text of page %zu is not of its image", k + 1));
            if (!font.isInitialized())
                font = TextLayer::AddFont(*pdf);
            TextLayer::LayOver(*pdf, pages[k], font, texts[k], images[k].width, images[k].height);
            hasText[k] = true;
        }
        if (!font.isInitialized())
            return Fail("No page was recognised");
        QPDFWriter writer(*pdf);
        writer.setOutputMemory();
        // Every stream is copied as stored: the images' fax data byte for
        // byte.
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.setMinimumPDFVersion("1.4");
        writer.setDeterministicID(true);
        writer.write();
        const std::shared_ptr<Buffer> bytes = writer.getBufferSharedPointer();
        if (!Unchanged())
            return Fail("The file changed while it was being made searchable");
        PdfWriter file(path, std::string(reinterpret_cast<const char*>(bytes->getBuffer()), bytes->getSize()));
        if (!file.Close())
            return Fail(file.GetSystemError().empty() ? file.GetError() : file.GetSystemError());
    }
    catch (const std::exception& failure)
    {
        return Fail("Writing the searchable PDF failed: " + wxString::FromUTF8(failure.what()).BeforeFirst('\n'));
    }
    return true;
}
