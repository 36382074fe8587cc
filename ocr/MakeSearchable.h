#pragma once

#include <wx/string.h>

#include <functional>

class OcrLanguages;
class OcrPool;

// What making a PDF searchable came to, and a line that says so.
struct SearchableOutcome
{
    enum Kind
    {
        made,          // the file was replaced by its searchable self
        hadText,       // every page had text already: left as it is
        noLanguage,    // the office's language is not installed: left as it is
        refused,       // not a PDF of ours, or unreadable: left as it is
        stopped,       // stopped during recognition: left as it is
        failed,        // recognition or writing failed: left as it is
    };

    Kind kind = failed;
    wxString text;
    // Why the file, or some of its pages, got no text ("no Japanese OCR
    // language installed"); empty when every page has text now.
    wxString reason;
    // Pages recognised, and those of them not readable (their reason in text).
    int pagesRecognised = 0;
    int pagesWithoutText = 0;
};

// Makes the PDF of ours at `path` searchable in place: recognises every page
// without text on `pool` in the languages of `office` (a two-letter code),
// then writes the searchable file through the hidden part file and a
// rename, so that a stop, a failure or a crash leaves the plain file as it
// was. `keepGoing(done, total)` is asked as pages are recognised; false
// stops.
SearchableOutcome MakeSearchable(const wxString& path, const wxString& office, OcrPool& pool,
                                 const OcrLanguages& languages,
                                 const std::function<bool(int done, int total)>& keepGoing = {});
