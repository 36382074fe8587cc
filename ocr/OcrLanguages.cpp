#include "ocr/OcrLanguages.h"

#include "numbers/Classification.h"

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstring>

namespace {

struct Office
{
    const char* countries;  // two-letter codes, separated by blanks
    const char* languages;  // Tesseract's, "+" between them
};

// The languages an office publishes in, as Tesseract names them.
const Office offices[] = {
    {"US WO GB IE AU NZ CA ZA SG IN", "eng"},
    {"EP CH BE LU", "eng+deu+fra"},
    {"DE AT LI", "deu+eng+fra"},
    {"FR MC", "fra+eng+deu"},
    {"ES MX AR CL CO PE", "spa+eng"},
    {"IT SM", "ita+eng"},
    {"NL", "nld+eng"},
    {"DK", "dan+eng"},
    {"SE", "swe+eng"},
    {"NO", "nor+eng"},
    {"FI", "fin+eng"},
    {"PT BR", "por+eng"},
    {"PL", "pol+eng"},
    {"CZ", "ces+eng"},
    {"SK", "slk+eng"},
    {"HU", "hun+eng"},
    {"RO", "ron+eng"},
    {"RU SU", "rus+eng"},
    {"UA", "ukr+eng"},
    {"TR", "tur+eng"},
    {"GR", "ell+eng"},
    {"JP", "jpn"},
    {"CN", "chi_sim"},
    {"TW", "chi_tra"},
    {"KR", "kor"},
};

// Offices whose pages no Latin-script pack can read: without their own pack
// they get no text at all.
struct Script
{
    const char* language;
    const char* name;
};
const Script ownScripts[] = {
    {"jpn", "Japanese"}, {"chi_sim", "Chinese"}, {"chi_tra", "Chinese"}, {"kor", "Korean"},
};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size())
    {
        const size_t end = std::min(text.find(separator, start), text.size());
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string LanguagesOf(const wxString& country)
{
    const std::string code = country.Upper().ToStdString();
    for (const Office& office : offices)
    {
        const std::vector<std::string> countries = Split(office.countries, ' ');
        if (std::find(countries.begin(), countries.end(), code) != countries.end())
            return office.languages;
    }
    return "eng";
}

}  // namespace

OcrLanguages::OcrLanguages(const wxString& dataPath_) : dataPath(dataPath_)
{
    wxLogNull quiet;  // a missing folder means no packs
    wxDir dir(dataPath);
    wxString name;
    for (bool found = dir.IsOpened() && dir.GetFirst(&name, "*.traineddata", wxDIR_FILES); found;
         found = dir.GetNext(&name))
        installed.push_back(wxFileName(name).GetName().ToStdString());
}

wxString OcrLanguages::DefaultDataPath()
{
    wxString path;
    if (wxGetEnv("TESSDATA_PREFIX", &path) && !path.empty())
        return path;
    return "/usr/share/tesseract-ocr/5/tessdata";
}

wxString OcrLanguages::OfficeOf(const Classification& entry)
{
    if (entry.kind == Classification::us)
        return "US";
    if (entry.kind == Classification::other)
        return entry.number.Left(2).Upper();
    return wxString();
}

const wxString& OcrLanguages::GetDataPath() const
{
    return dataPath;
}

bool OcrLanguages::Installed(const std::string& language) const
{
    return std::find(installed.begin(), installed.end(), language) != installed.end();
}

OcrLanguages::Choice OcrLanguages::ForOffice(const wxString& country) const
{
    const std::vector<std::string> wanted = Split(LanguagesOf(country), '+');
    Choice choice;
    for (const std::string& language : wanted)
        if (Installed(language))
            choice.languages += (choice.languages.empty() ? "" : "+") + language;
    if (!choice.languages.empty())
        return choice;
    const char* name = "English";
    for (const Script& script : ownScripts)
        if (wanted.front() == script.language)
            name = script.name;
    choice.problem = wxString::Format("no %s OCR language installed", name);
    return choice;
}
