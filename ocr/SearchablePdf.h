#pragma once

#include "ocr/PageText.h"
#include "pdf/FaxImage.h"

#include <wx/string.h>

#include <memory>
#include <string>
#include <vector>

class QPDF;

// A PDF of ours, read to be made searchable: every page one fax image drawn
// over the whole page, as the program writes them. Knows which pages have
// text already, the images of those that lack it, and writes the file again
// with their text laid over them. A file of any other making is refused.
class SearchablePdf
{
public:
    explicit SearchablePdf(const wxString& path);
    ~SearchablePdf();
    SearchablePdf(const SearchablePdf&) = delete;
    SearchablePdf& operator=(const SearchablePdf&) = delete;

    // False when the file cannot be read or is not ours: GetError() says
    // why in one line.
    bool IsOk() const;
    wxString GetError() const;

    int GetPageCount() const;
    // Whether page `index` (from 0) has text already, ours or another's.
    bool HasText(int index) const;
    bool HasTextEverywhere() const;
    // The image of a page without text.
    const FaxImage& GetImage(int index) const;

    // Writes the file again with `texts[k]` laid over page k, for every page
    // without text whose text was recognised (also when no words were
    // found: the page then counts as having text), through the hidden part
    // file and a rename, so the name holds the plain file or the searchable
    // one, never less. The images and everything else stay as they were.
    // False, with GetError(), when nothing was written: the file changed
    // since it was read, a text is not of its page's image, or writing
    // failed.
    bool Write(const std::vector<PageText>& texts);

private:
    bool Fail(const wxString& text);
    bool Read();
    bool CheckPages();
    bool Unchanged() const;

    wxString path;
    std::string original;
    std::unique_ptr<QPDF> pdf;
    std::vector<bool> hasText;
    std::vector<FaxImage> images;
    wxString error;
};
