#include "pdf/PdfFaxPages.h"

#include "pdf/PdfCheck.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <exception>
#include <map>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace {

// A refusal of one page, carried out of the page's reading.
struct PageRefused : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// The image bytes taken so far: each image stream once, however many pages
// show it. A stream's bytes are a part of the file, so an honest file
// never holds more image bytes than its own size; more can only be one
// stretch of bytes named by many objects.
struct Lifted
{
    explicit Lifted(size_t fileSize) : cap(fileSize) {}

    std::map<QPDFObjGen, std::shared_ptr<const std::string>> images;
    size_t bytes = 0;
    const size_t cap;
};

// The first line of a library message, so errors stay one line.
wxString OneLine(const char* text)
{
    return wxString::FromUTF8(text).BeforeFirst('\n');
}

// A filter or its parameters may be given directly or as a one-entry array.
QPDFObjectHandle Single(QPDFObjectHandle value, const char* what)
{
    if (!value.isArray())
        return value;
    if (value.getArrayNItems() != 1)
        throw PageRefused(std::string("its image has ") + what + " of several filters");
    return value.getArrayItem(0);
}

// The value under `key`, `fallback` when the key is missing; refused when
// the value is of another type.
template <typename Value>
Value ValueOr(QPDFObjectHandle dict, const char* key, Value fallback, const char* typeName)
{
    QPDFObjectHandle value = dict.isDictionary() ? dict.getKey(key) : QPDFObjectHandle::newNull();
    if (value.isNull())
        return fallback;
    if constexpr (std::is_same_v<Value, bool>)
    {
        if (value.isBool())
            return value.getBoolValue();
    }
    else if (value.isInteger())
    {
        return value.getIntValueAsInt();
    }
    throw PageRefused(std::string("its image's ") + key + " is not " + typeName);
}

int IntegerOr(QPDFObjectHandle dict, const char* key, int fallback)
{
    return ValueOr(dict, key, fallback, "a number");
}

bool BoolOr(QPDFObjectHandle dict, const char* key, bool fallback)
{
    return ValueOr(dict, key, fallback, "true or false");
}

uint32_t Dimension(int value, const char* what)
{
    if (value <= 0)
        throw PageRefused(std::string("its image has no ") + what);
    return static_cast<uint32_t>(value);
}

// The image's own parameters must be the ones the page is written with:
// one bit per pixel, drawn in gray, not as a mask or inverted.
void CheckDrawing(QPDFObjectHandle dict)
{
    if (IntegerOr(dict, "/BitsPerComponent", 1) != 1)
        throw PageRefused("its image has more than one bit per pixel");
    if (BoolOr(dict, "/ImageMask", false))
        throw PageRefused("its image is a mask");
    if (dict.hasKey("/Decode"))
    {
        QPDFObjectHandle decode = dict.getKey("/Decode");
        double low = 0, high = 1;
        if (!decode.isArray() || decode.getArrayNItems() != 2 || !decode.getArrayItem(0).getValueAsNumber(low)
            || !decode.getArrayItem(1).getValueAsNumber(high) || low != 0 || high != 1)
            throw PageRefused("its image is drawn inverted");
    }
}

std::shared_ptr<const std::string> DataOf(QPDFObjectHandle image, Lifted& lifted)
{
    const QPDFObjGen id = image.getObjGen();
    const auto known = lifted.images.find(id);
    if (known != lifted.images.end())
        return known->second;
    const std::shared_ptr<Buffer> data = image.getRawStreamData();
    if (!data || data->getSize() == 0)
        throw PageRefused("its image is empty");
    if (data->getSize() > lifted.cap - lifted.bytes)
        throw PageRefused("its images hold more bytes than the whole file");
    lifted.bytes += data->getSize();
    auto bytes = std::make_shared<const std::string>(reinterpret_cast<const char*>(data->getBuffer()),
                                                     data->getSize());
    if (id.isIndirect())
        lifted.images.emplace(id, bytes);
    return bytes;
}

FaxImage ReadImage(QPDFObjectHandle image, Lifted& lifted)
{
    QPDFObjectHandle dict = image.getDict();
    QPDFObjectHandle filter = Single(dict.getKey("/Filter"), "the filters");
    if (!filter.isNameAndEquals("/CCITTFaxDecode"))
        throw PageRefused("its image is not CCITT fax data ("
                          + (filter.isName() ? filter.getName().substr(1) : std::string("no filter")) + ")");
    CheckDrawing(dict);
    QPDFObjectHandle parms = Single(dict.getKey("/DecodeParms"), "the parameters");
    if (BoolOr(parms, "/EncodedByteAlign", false))
        throw PageRefused("its image's fax lines are byte-aligned");
    FaxImage fax;
    fax.columns = Dimension(IntegerOr(parms, "/Columns", 1728), "columns");
    // Rows may be left out: the image's height then tells them.
    fax.rows = Dimension(IntegerOr(parms, "/Rows", IntegerOr(dict, "/Height", 0)), "rows");
    // The page is written with the fax data's size as the image's.
    if (IntegerOr(dict, "/Width", fax.columns) != static_cast<int>(fax.columns)
        || IntegerOr(dict, "/Height", fax.rows) != static_cast<int>(fax.rows))
        throw PageRefused("its image's size is not its fax data's");
    fax.k = IntegerOr(parms, "/K", 0);
    fax.blackIs1 = BoolOr(parms, "/BlackIs1", false);
    fax.data = DataOf(image, lifted);
    return fax;
}

FaxImage ReadPage(QPDFPageObjectHelper& page, Lifted& lifted)
{
    QPDFObjectHandle rotation = page.getAttribute("/Rotate", false);
    if (!rotation.isNull() && (!rotation.isInteger() || rotation.getIntValue() % 360 != 0))
        throw PageRefused("it is rotated");
    std::map<std::string, QPDFObjectHandle> images = page.getImages();
    if (images.size() != 1)
        throw PageRefused("it has " + std::to_string(images.size()) + " images, not one");
    FaxImage fax = ReadImage(images.begin()->second, lifted);
    const QPDFObjectHandle::Rectangle box = page.getMediaBox().getArrayAsRectangle();
    fax.width = box.urx - box.llx;
    fax.height = box.ury - box.lly;
    if (!(fax.width > 0 && fax.height > 0))
        throw PageRefused("it has no page size");
    return fax;
}

}  // namespace

PdfFaxPages::PdfFaxPages(const std::string& pdf)
{
    size_t pageNumber = 0;
    try
    {
        QPDF reader;
        const wxString unusable = ReadOfficePdf(reader, pdf);
        if (!unusable.empty())
        {
            Fail(unusable);
            return;
        }
        std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(reader).getAllPages();
        if (all.empty())
        {
            Fail("PDF without pages");
            return;
        }
        Lifted lifted(pdf.size());
        for (QPDFPageObjectHelper& page : all)
        {
            ++pageNumber;
            pages.push_back(ReadPage(page, lifted));
        }
        pageNumber = 0;
        if (reader.anyWarnings())
            Fail("Damaged PDF");
    }
    catch (const PageRefused& refusal)
    {
        Fail(wxString::Format("Page %zu of the PDF: ", pageNumber) + OneLine(refusal.what()));
    }
    catch (const std::exception& failure)
    {
        const wxString where = pageNumber > 0 ? wxString::Format("page %zu: ", pageNumber) : wxString();
        Fail("Damaged PDF: " + where + OneLine(failure.what()));
    }
}

bool PdfFaxPages::Fail(const wxString& text)
{
    pages.clear();
    error = text;
    return false;
}

bool PdfFaxPages::IsOk() const
{
    return error.empty();
}

wxString PdfFaxPages::GetError() const
{
    return error;
}

const std::vector<FaxImage>& PdfFaxPages::GetPages() const
{
    return pages;
}
