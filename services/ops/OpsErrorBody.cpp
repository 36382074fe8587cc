#include "services/ops/OpsErrorBody.h"

#include "services/ops/OpsXml.h"

#include <wx/xml/xml.h>

namespace {

constexpr size_t longestLine = 200;

// Blanks and line breaks of the XML text become single blanks.
wxString OneLine(const wxString& text)
{
    wxString result;
    bool blank = false;
    for (wxUniChar c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !result.empty();
            continue;
        }
        if (c < ' ')
            continue;
        if (blank)
            result += ' ';
        blank = false;
        result += c;
    }
    return result;
}

}  // namespace

OpsErrorBody OpsErrorBody::Parse(const std::string& body)
{
    OpsErrorBody result;
    wxXmlDocument document;
    if (!OpsXml::Load(body, document))
        return result;
    const wxXmlNode* root = document.GetRoot();
    if (!OpsXml::Is(root, "fault") && !OpsXml::Is(root, "error"))
        return result;
    result.code = OneLine(OpsXml::ChildText(root, "code"));
    result.message = OneLine(OpsXml::ChildText(root, "message"));
    result.description = OneLine(OpsXml::ChildText(root, "description"));
    return result;
}

wxString OpsErrorBody::Line() const
{
    // The <error> shape's code repeats the HTTP status, which every status shows already.
    const bool statusOnly = !code.empty() && code.find_first_not_of("0123456789") == wxString::npos;
    wxString line = statusOnly ? wxString() : code;
    if (!message.empty())
        line << (line.empty() ? "" : ": ") << message;
    if (!description.empty())
        line << (line.empty() ? "" : " ") << "(" << description << ")";
    if (line.length() > longestLine)
        line = line.Left(longestLine - 3) + "...";
    return line;
}
