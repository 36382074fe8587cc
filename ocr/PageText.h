#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

// What recognition found on one page: its lines of words in reading order,
// each with its box in the fax image's pixels (origin top left, right and
// bottom exclusive), or why the page has no text.
struct PageText
{
    struct Box
    {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };

    struct Word
    {
        std::string text;  // UTF-8
        Box box;
    };

    struct Line
    {
        Box box;
        std::vector<Word> words;
    };

    // The image the boxes are in.
    int columns = 0;
    int rows = 0;
    std::vector<Line> lines;
    // True once recognition ran to its end, also when it found no words.
    bool recognised = false;
    wxString problem;  // why not recognised
};
