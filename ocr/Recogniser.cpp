#include "ocr/Recogniser.h"

#include "ocr/FaxBitmap.h"

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#ifdef FH_OCR_OPENMP
#include <omp.h>
#endif

namespace {

// A page that takes longer than this is noise or a picture, not text.
const int pageDeadlineMs = 120000;

bool Cancelled(void* stop, int /*words*/)
{
    return (*static_cast<const std::function<bool()>*>(stop))();
}

// A scan whose pixels are not square (a fax's 204 x 98 per inch) is
// stretched to square ones, which is what the engine's models expect.
struct Squared
{
    Pix* pix = nullptr;
    bool owned = false;  // a scaled copy, not the bitmap's own
    double yScale = 1;   // the squared height over the bitmap's

    ~Squared()
    {
        if (owned)
            pixDestroy(&pix);
    }
};

void Square(const FaxBitmap& bitmap, Squared& squared)
{
    squared.pix = bitmap.GetPix();
    const double x = bitmap.GetXResolution();
    const double y = bitmap.GetYResolution();
    if (x <= 0 || y <= 0 || std::abs(x - y) <= 0.02 * x)
        return;
    Pix* scaled = pixScale(bitmap.GetPix(), 1.0f, static_cast<float>(x / y));
    if (!scaled)
        return;
    squared.pix = scaled;
    squared.owned = true;
    squared.yScale = static_cast<double>(pixGetHeight(scaled)) / bitmap.GetHeight();
}

// Controls and blanks carry nothing a reader could select.
std::string Printable(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p)
        if (static_cast<unsigned char>(*p) > ' ' && *p != 0x7F)
            out += *p;
    return out;
}

PageText::Box BoxAt(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level, double yScale)
{
    PageText::Box box;
    it.BoundingBox(level, &box.left, &box.top, &box.right, &box.bottom);
    box.top = static_cast<int>(std::floor(box.top / yScale));
    box.bottom = static_cast<int>(std::ceil(box.bottom / yScale));
    return box;
}

void CollectWords(tesseract::TessBaseAPI& api, double yScale, PageText& text)
{
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it || it->Empty(tesseract::RIL_WORD))
        return;
    do
    {
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || text.lines.empty())
            text.lines.push_back({BoxAt(*it, tesseract::RIL_TEXTLINE, yScale), {}});
        std::unique_ptr<char[]> utf8(it->GetUTF8Text(tesseract::RIL_WORD));
        const std::string word = utf8 ? Printable(utf8.get()) : std::string();
        if (!word.empty())
            text.lines.back().words.push_back({word, BoxAt(*it, tesseract::RIL_WORD, yScale)});
    } while (it->Next(tesseract::RIL_WORD));
    text.lines.erase(std::remove_if(text.lines.begin(), text.lines.end(),
                                    [](const PageText::Line& line) { return line.words.empty(); }),
                     text.lines.end());
}

}  // namespace

void Recogniser::QuietLibraries()
{
    setMsgSeverity(L_SEVERITY_NONE);
    // A process-wide setting of the engine, made once before any engine runs.
    tesseract::TessBaseAPI api;
    api.SetVariable("debug_file", "/dev/null");
}

Recogniser::Recogniser(const std::string& dataPath_) : dataPath(dataPath_)
{
}

Recogniser::~Recogniser() = default;

bool Recogniser::Load(const std::string& languages)
{
    if (api && loaded == languages)
        return true;
    api = std::make_unique<tesseract::TessBaseAPI>();
    loaded.clear();
    if (api->Init(dataPath.c_str(), languages.c_str(), tesseract::OEM_LSTM_ONLY) != 0)
    {
        api.reset();
        return false;
    }
    // Columns, headings and drawings' labels are found as the page lays
    // them out; the engine's default reads the page as one block.
    api->SetPageSegMode(tesseract::PSM_AUTO);
    loaded = languages;
    return true;
}

PageText Recogniser::Recognise(const FaxBitmap& bitmap, const std::string& languages,
                               const std::function<bool()>& stop)
{
    PageText text;
    text.columns = bitmap.GetWidth();
    text.rows = bitmap.GetHeight();
    if (!bitmap.IsOk())
    {
        text.problem = bitmap.GetError();
        return text;
    }
    if (!Load(languages))
    {
        text.problem = "OCR languages " + wxString(languages) + " could not be loaded";
        return text;
    }
#ifdef FH_OCR_OPENMP
    // The engine's parallel loops would take every core for each page, and
    // the pool already runs one page per core: on two cores they took three
    // times the processor time for the same page.
    omp_set_max_active_levels(0);
#endif
    Squared squared;
    Square(bitmap, squared);
    api->SetImage(squared.pix);
    api->SetSourceResolution(bitmap.GetXResolution());
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &Cancelled;
    monitor.cancel_this = const_cast<std::function<bool()>*>(&stop);
    monitor.set_deadline_msecs(pageDeadlineMs);
    const bool ended = api->Recognize(&monitor) == 0;
    if (stop())
        text.problem = "stopped";
    else if (!ended || monitor.deadline_exceeded())
        text.problem = "recognition took too long";
    else
    {
        CollectWords(*api, squared.yScale, text);
        text.recognised = true;
    }
    api->Clear();
    return text;
}
