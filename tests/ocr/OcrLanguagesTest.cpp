// Which installed Tesseract languages read an office's pages.
#include "ocr/OcrLanguages.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char* office;
    const char* languages;
    const char* problem;
};

TEST(OcrLanguages, TheOfficesLanguagesThatAreInstalledOrWhyNone)
{
    TempHome home;
    const std::string packs = home.Dir("tessdata");
    for (const char* language : {"eng", "deu", "kor", "spa"})
        WriteFile(packs + "/" + language + ".traineddata", "");
    WriteFile(packs + "/fra.txt", "");  // not a language pack
    const OcrLanguages languages(packs);
    const Case cases[] = {
        {"US", "eng", ""},
        {"WO", "eng", ""},
        {"GB", "eng", ""},
        {"EP", "eng+deu", ""},  // French is not installed
        {"DE", "deu+eng", ""},
        {"ch", "eng+deu", ""},
        {"FR", "eng+deu", ""},
        {"KR", "kor", ""},
        {"JP", "", "no Japanese OCR language installed"},
        {"CN", "", "no Chinese OCR language installed"},
        {"ES", "spa+eng", ""},
        {"IT", "eng", ""},
        {"", "eng", ""},
    };
    for (const Case& c : cases)
    {
        const OcrLanguages::Choice choice = languages.ForOffice(c.office);
        EXPECT_EQ(choice.languages, c.languages) << c.office;
        EXPECT_EQ(choice.problem, c.problem) << c.office;
    }
    EXPECT_EQ(OcrLanguages(home.Dir("empty")).ForOffice("US").problem, "no English OCR language installed");
}

}  // namespace
