#include "services/eps/EpsPage.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

const char* const blockText = "detected a very high level of data flow";
const size_t npos = std::string::npos;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string LowerCase(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

// Runs of white space as one blank, so a sentence broken over lines is found.
std::string Collapsed(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (!IsSpace(c))
            out += c;
        else if (out.empty() || out.back() != ' ')
            out += ' ';
    }
    return out;
}

struct Tag
{
    std::string name;  // lower case
    bool end = false;
    std::vector<std::pair<std::string, std::string>> attributes;  // name in lower case, value as written

    std::string Attribute(const char* wanted) const
    {
        for (const auto& [name, value] : attributes) {
            if (name == wanted)
                return value;
        }
        return std::string();
    }
};

// The tags of an HTML text, one after another.
class TagScanner
{
public:
    explicit TagScanner(const std::string& html) : html(html), lower(LowerCase(html)) {}

    bool Next(Tag& tag)
    {
        while ((at = lower.find('<', at)) != npos) {
            if (lower.compare(at, 4, "<!--") == 0) {
                at = Past(lower.find("-->", at + 4), 3);
                continue;
            }
            const bool end = at + 1 < lower.size() && lower[at + 1] == '/';
            const size_t nameStart = at + 1 + end;
            size_t nameEnd = nameStart;
            while (nameEnd < lower.size() && (IsLetter(lower[nameEnd]) || IsDigit(lower[nameEnd])))
                ++nameEnd;
            if (nameEnd == nameStart || !IsLetter(lower[nameStart])) {
                const bool declaration = nameStart < lower.size() && !end &&
                                         (lower[nameStart] == '!' || lower[nameStart] == '?');
                at = declaration ? Past(lower.find('>', at), 1) : at + 1;
                continue;
            }
            tag = Tag{lower.substr(nameStart, nameEnd - nameStart), end, {}};
            at = ReadAttributes(nameEnd, tag);
            if (!end && (tag.name == "script" || tag.name == "style") && at != npos)
                at = lower.find("</" + tag.name, at);
            return true;
        }
        return false;
    }

private:
    static size_t Past(size_t found, size_t length) { return found == npos ? npos : found + length; }

    // Past the tag's ">"; npos when the text ends inside the tag.
    size_t ReadAttributes(size_t i, Tag& tag) const
    {
        const size_t n = lower.size();
        while (i < n) {
            if (lower[i] == '>')
                return i + 1;
            if (IsSpace(lower[i]) || lower[i] == '/') {
                ++i;
                continue;
            }
            const size_t nameStart = i;
            while (i < n && !IsSpace(lower[i]) && lower[i] != '=' && lower[i] != '>' && lower[i] != '/')
                ++i;
            std::string name = lower.substr(nameStart, i - nameStart);
            while (i < n && IsSpace(lower[i]))
                ++i;
            std::string value;
            if (i < n && lower[i] == '=') {
                ++i;
                while (i < n && IsSpace(lower[i]))
                    ++i;
                if (i < n && (lower[i] == '"' || lower[i] == '\'')) {
                    const size_t close = lower.find(lower[i], i + 1);
                    if (close == npos)
                        return npos;
                    value = html.substr(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const size_t start = i;
                    while (i < n && !IsSpace(lower[i]) && lower[i] != '>')
                        ++i;
                    value = html.substr(start, i - start);
                }
            }
            if (!name.empty())
                tag.attributes.emplace_back(std::move(name), std::move(value));
        }
        return npos;
    }

    const std::string& html;
    const std::string lower;
    size_t at = 0;
};

// A link as written in an attribute: blanks around it dropped, the
// references of "&" (which every link with a query has) decoded.
std::string Link(const std::string& value)
{
    static const char* const ampersands[] = {"&amp;", "&#38;", "&#x26;", "&#X26;"};
    const size_t first = value.find_first_not_of(" \t\n\r\f");
    const size_t last = value.find_last_not_of(" \t\n\r\f");
    const std::string trimmed = first == npos ? std::string() : value.substr(first, last - first + 1);
    std::string out;
    for (size_t i = 0; i < trimmed.size();) {
        size_t length = 1;
        for (const char* ref : ampersands) {
            if (trimmed.compare(i, std::strlen(ref), ref) == 0)
                length = std::strlen(ref);
        }
        // Each reference starts with the "&" it stands for.
        out += trimmed[i];
        i += length;
    }
    return out;
}

bool EndsWithPdf(const std::string& link)
{
    const std::string path = LowerCase(link.substr(0, link.find_first_of("?#")));
    return path.size() >= 4 && path.compare(path.size() - 4, 4, ".pdf") == 0;
}

bool HasClass(const Tag& tag, const char* wanted)
{
    const std::string classes = LowerCase(tag.Attribute("class"));
    for (size_t start = 0; start < classes.size();) {
        size_t end = start;
        while (end < classes.size() && !IsSpace(classes[end]))
            ++end;
        if (classes.compare(start, end - start, wanted) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

size_t DigitsAt(const std::string& text, size_t i)
{
    size_t count = 0;
    while (i + count < text.size() && IsDigit(text[i + count]))
        ++count;
    return count;
}

// WO2012153305, WO 2012/153305 -> WO2012153305; WO 98/12345, WO02/051231 as written.
std::string WoNumberIn(const std::string& text)
{
    for (size_t at = text.find("WO"); at != npos; at = text.find("WO", at + 2)) {
        if (at > 0 && (IsLetter(text[at - 1]) || IsDigit(text[at - 1])))
            continue;
        const size_t year = at + 2 + (at + 2 < text.size() && text[at + 2] == ' ');
        const size_t run = DigitsAt(text, year);
        const bool slash = year + run < text.size() && text[year + run] == '/';
        const size_t serial = slash ? DigitsAt(text, year + run + 1) : 0;
        if (run == 10 && (text.compare(year, 2, "19") == 0 || text.compare(year, 2, "20") == 0))
            return "WO" + text.substr(year, 10);
        if (run == 4 && slash && serial == 6)
            return "WO" + text.substr(year, 4) + text.substr(year + 5, 6);
        if (run == 2 && slash && (serial == 5 || serial == 6))
            return "WO" + text.substr(year, 3 + serial);
    }
    return std::string();
}

}  // namespace

EpsPage EpsPage::Read(const std::string& html)
{
    EpsPage page;
    const std::string lower = LowerCase(html);
    page.blocked = Collapsed(lower).find(blockText) != npos;

    std::string toolbarFirst, toolbarPdf, firstPdf;
    int divDepth = 0;
    int toolbarDepth = 0;  // the toolbar's depth among divs while inside it, else 0
    bool toolbarSeen = false;
    TagScanner scanner(html);
    for (Tag tag; scanner.Next(tag);) {
        if (tag.name == "div" && tag.end) {
            if (toolbarDepth > 0 && divDepth == toolbarDepth)
                toolbarDepth = 0;
            divDepth = std::max(0, divDepth - 1);
        } else if (tag.name == "div") {
            ++divDepth;
            if (!toolbarSeen && HasClass(tag, "epotoolbar")) {
                toolbarSeen = true;
                toolbarDepth = divDepth;
            }
        } else if (tag.name == "a" && !tag.end) {
            const std::string href = Link(tag.Attribute("href"));
            if (href.empty())
                continue;
            if (toolbarDepth > 0 && toolbarFirst.empty())
                toolbarFirst = href;
            if (toolbarDepth > 0 && toolbarPdf.empty() && EndsWithPdf(href))
                toolbarPdf = href;
            if (firstPdf.empty() && EndsWithPdf(href))
                firstPdf = href;
        }
    }
    const std::string toolbarLink = toolbarPdf.empty() ? toolbarFirst : toolbarPdf;
    page.wipo = toolbarLink.empty() && (lower.find("patentscope") != npos || lower.find("wipo.int") != npos);
    page.woNumber = WoNumberIn(html);
    if (!page.wipo)
        page.pdfLink = toolbarLink.empty() ? firstPdf : toolbarLink;
    return page;
}
