#include "lists/ListFile.h"

#include <wx/filefn.h>
#include <wx/wxcrt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Far beyond any list of numbers a person gathers; a larger file is taken
// for a mistake rather than read into memory.
constexpr size_t maxFileBytes = 64 * 1024 * 1024;

wxString LineText(const std::string& bytes)
{
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return text;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The bytes of the first maxLineLength + 1 characters at most, cut before a
// UTF-8 continuation byte: a huge line is never converted whole.
const char* HeadEnd(const char* begin, const char* end)
{
    const size_t room = 4 * (ListFile::maxLineLength + 1);
    if (size_t(end - begin) <= room)
        return end;
    const char* cut = begin + room;
    while (cut > begin && (static_cast<unsigned char>(*cut) & 0xC0) == 0x80)
        --cut;
    return cut;
}

// Blank lines and comments are told from the bytes, so a line past the
// limit costs nothing but its counting.
void AddLine(ListFile& list, int number, const char* begin, const char* end)
{
    begin = std::find_if_not(begin, end, IsBlank);
    if (begin == end || *begin == '#')
        return;
    if (list.entries.size() + list.tooLong.size() + list.withNul.size() >= ListFile::maxEntries) {
        ++list.leftOut;
        return;
    }
    const bool nul = std::find(begin, end, '\0') != end;
    wxString text = LineText(std::string(begin, HeadEnd(begin, end)));
    text.Trim(true).Trim(false);
    if (text.empty())
        return;
    if (nul) {
        text.Replace(wxString(wxUniChar(0)), wxString(wxUniChar(0xFFFD)));
        list.withNul.push_back({number, text.Left(ListFile::maxLineLength)});
    } else if (text.length() > ListFile::maxLineLength)
        list.tooLong.push_back({number, text.Left(ListFile::maxLineLength)});
    else
        list.entries.push_back({number, text});
}

wxString Failure(const wxString& path, const char* reason)
{
    return path + ": " + wxString::FromUTF8(reason);
}

}  // namespace

ListFile ParseList(const std::string& bytes)
{
    static const std::string bom = "\xEF\xBB\xBF";
    ListFile list;
    size_t start = bytes.compare(0, bom.size(), bom) == 0 ? bom.size() : 0;
    int number = 1;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        size_t length = end - start;
        if (length > 0 && bytes[end - 1] == '\r')
            --length;
        AddLine(list, number++, bytes.data() + start, bytes.data() + start + length);
        start = end + 1;
    }
    return list;
}

bool ReadListFile(const wxString& path, ListFile& list, wxString& error)
{
    const bool standardInput = path == "-";
    std::FILE* file = standardInput ? stdin : wxFopen(path, "rb");
    if (!file) {
        // Windows refuses to open a folder at all, with a vaguer reason.
        const int cause = errno;
        error = Failure(path, std::strerror(wxDirExists(path) ? EISDIR : cause));
        return false;
    }
    std::string bytes;
    char buffer[65536];
    size_t got = 0;
    errno = 0;
    while (bytes.size() <= maxFileBytes && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    const int cause = errno != 0 ? errno : EIO;
    if (!standardInput)
        std::fclose(file);
    if (failed) {
        error = Failure(path, std::strerror(cause));
        return false;
    }
    if (bytes.size() > maxFileBytes) {
        error = Failure(path, "file too large for a list");
        return false;
    }
    list = ParseList(bytes);
    return true;
}

wxString LeftOutLine(const wxString& name, const ListFile& list)
{
    if (list.leftOut == 0)
        return wxString();
    return wxString::Format("%s: only the first %zu entries are taken, %zu more left out", name, ListFile::maxEntries,
                            list.leftOut);
}
