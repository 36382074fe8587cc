#include "pdf/CompletePdf.h"

#include <wx/file.h>
#include <wx/log.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Enough for the end of any trailer, with room for generous padding.
const wxFileOffset tailSize = 1024;

bool IsPdfWhiteSpace(char c)
{
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '\f' || c == '\0';
}

void TrimEnd(std::string& text)
{
    while (!text.empty() && IsPdfWhiteSpace(text.back()))
        text.pop_back();
}

bool TakeEnd(std::string& text, const std::string& word)
{
    if (text.size() < word.size() || text.compare(text.size() - word.size(), word.size(), word) != 0)
        return false;
    text.resize(text.size() - word.size());
    return true;
}

bool EndsWithTrailer(std::string tail)
{
    TrimEnd(tail);
    if (!TakeEnd(tail, "%%EOF"))
        return false;
    TrimEnd(tail);
    size_t digits = 0;
    for (; !tail.empty() && tail.back() >= '0' && tail.back() <= '9'; tail.pop_back())
        ++digits;
    if (digits == 0)
        return false;
    TrimEnd(tail);
    return TakeEnd(tail, "startxref");
}

}  // namespace

bool IsCompletePdf(const wxString& path)
{
    wxLogNull quiet;  // a missing or unreadable file is simply not complete
    wxFile file;
    if (!wxFile::Exists(path) || !file.Open(path))
        return false;
    char head[5];
    if (file.Read(head, sizeof head) != static_cast<ssize_t>(sizeof head)
        || std::memcmp(head, "%PDF-", sizeof head) != 0)
        return false;
    const wxFileOffset length = file.Length();
    const wxFileOffset size = std::min(length, tailSize);
    if (length == wxInvalidOffset || file.Seek(length - size) == wxInvalidOffset)
        return false;
    std::string tail(static_cast<size_t>(size), '\0');
    if (file.Read(&tail[0], tail.size()) != static_cast<ssize_t>(tail.size()))
        return false;
    return EndsWithTrailer(tail);
}
