#include "services/ops/OpsXml.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

namespace OpsXml {

bool Load(const std::string& body, wxXmlDocument& document)
{
    if (body.empty())
        return false;
    wxLogNull quiet;
    wxMemoryInputStream stream(body.data(), body.size());
    return document.Load(stream) && document.GetRoot() != nullptr;
}

bool Is(const wxXmlNode* node, const char* localName)
{
    if (node == nullptr || node->GetType() != wxXML_ELEMENT_NODE)
        return false;
    const wxString& name = node->GetName();
    const size_t colon = name.find(':');
    return (colon == wxString::npos ? name : name.substr(colon + 1)) == localName;
}

const wxXmlNode* Child(const wxXmlNode* parent, const char* localName)
{
    for (const wxXmlNode* child = parent ? parent->GetChildren() : nullptr; child;
         child = child->GetNext()) {
        if (Is(child, localName))
            return child;
    }
    return nullptr;
}

std::vector<const wxXmlNode*> Children(const wxXmlNode* parent, const char* localName)
{
    std::vector<const wxXmlNode*> found;
    for (const wxXmlNode* child = parent ? parent->GetChildren() : nullptr; child;
         child = child->GetNext()) {
        if (Is(child, localName))
            found.push_back(child);
    }
    return found;
}

wxString ChildText(const wxXmlNode* parent, const char* localName)
{
    const wxXmlNode* child = Child(parent, localName);
    return child ? child->GetNodeContent().Strip(wxString::both) : wxString();
}

}  // namespace OpsXml
