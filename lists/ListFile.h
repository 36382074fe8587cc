#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

// One line of a list file: its 1-based line number and its text, without
// the line end, the byte-order mark or surrounding blanks.
struct ListLine
{
    int line = 0;
    wxString text;
};

// A list file: one entry per line as a user would type it in the entry
// field (commas and blanks inside a line belong to the entry).
struct ListFile
{
    std::vector<ListLine> entries;  // every non-blank line not starting with '#', in file order
    std::vector<ListLine> tooLong;  // lines over maxLineLength characters, cut to that length
    std::vector<ListLine> withNul;  // lines holding a NUL byte, shown as U+FFFD, cut likewise
    // Lines that would be entries past the first maxEntries: only counted.
    size_t leftOut = 0;
    static constexpr size_t maxLineLength = 200;
    static constexpr size_t maxEntries = 100'000;
};

// UTF-8 with or without a byte-order mark (a line that is not UTF-8 is read
// as Latin-1), LF or CR LF line ends.
ListFile ParseList(const std::string& bytes);

// Reads and parses PATH ("-": standard input); false with a one-line error
// "PATH: reason" when it cannot be read.
bool ReadListFile(const wxString& path, ListFile& list, wxString& error);

// The one line that says `list.leftOut` entries of the list called `name`
// were left out; empty when none were.
wxString LeftOutLine(const wxString& name, const ListFile& list);
