#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

struct Classification;

// The Tesseract language packs installed, and which of them read an office's
// documents: English for US, WO and GB; English, German and French for the
// EPO and the German- and French-speaking offices; Japanese, Chinese or
// Korean for JP, CN and KR, without which their pages get no text; for other
// offices their own language beside English when its pack is installed.
class OcrLanguages
{
public:
    struct Choice
    {
        std::string languages;  // for Tesseract, as "eng+deu+fra"; empty with `problem`
        wxString problem;       // why the office's pages cannot be read
    };

    // The packs (NAME.traineddata) in `dataPath`.
    explicit OcrLanguages(const wxString& dataPath = DefaultDataPath());

    Choice ForOffice(const wxString& country) const;
    const wxString& GetDataPath() const;

    // TESSDATA_PREFIX when set, else where Debian's language packs go.
    static wxString DefaultDataPath();
    // The office of a document the program fetches or names a file after:
    // "US" for US numbers, else the number's country code; empty for an
    // invalid entry.
    static wxString OfficeOf(const Classification& entry);

private:
    bool Installed(const std::string& language) const;

    wxString dataPath;
    std::vector<std::string> installed;
};
