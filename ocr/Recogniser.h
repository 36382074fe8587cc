#pragma once

#include "ocr/PageText.h"

#include <wx/string.h>

#include <functional>
#include <memory>
#include <string>

class FaxBitmap;

namespace tesseract {
class TessBaseAPI;
}

// One Tesseract engine, used by one thread at a time: recognises bitmaps
// in the languages asked for, loading them when they change.
class Recogniser
{
public:
    explicit Recogniser(const std::string& dataPath);
    ~Recogniser();
    Recogniser(const Recogniser&) = delete;
    Recogniser& operator=(const Recogniser&) = delete;

    // The words on `bitmap`, in its own pixels. Gives up, with a problem
    // and no words, as soon as `stop` says so (asked between words).
    PageText Recognise(const FaxBitmap& bitmap, const std::string& languages, const std::function<bool()>& stop);

    // Done once per process before any engine runs: the libraries' own
    // messages go nowhere instead of to standard error.
    static void QuietLibraries();

private:
    bool Load(const std::string& languages);

    std::string dataPath;
    std::unique_ptr<tesseract::TessBaseAPI> api;
    std::string loaded;
};
