#include "services/ops/OpsXml.h"

#include <wx/xml/xml.h>

#include <expat.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Builds the tree from expat's events, as wxXmlDocument::Load would, but
// within the limits and in linear time: Load copies a text's whole content
// again for each piece expat hands it (a 1 MB answer of short lines takes
// minutes) and appends each attribute and child by walking the list so far.
// Whitespace-only texts are left out, as Load leaves them out.
class TreeBuilder
{
public:
    explicit TreeBuilder(XML_Parser parser) : parser(parser) {}

    // The whole tree when the parse succeeded within the limits; nullptr
    // (and the partial tree freed) otherwise.
    std::unique_ptr<wxXmlNode> Take(bool parsed)
    {
        if (!parsed || failed)
            root.reset();
        return std::move(root);
    }

    static void OnStart(void* self, const XML_Char* name, const XML_Char** attributes)
    {
        static_cast<TreeBuilder*>(self)->Start(name, attributes);
    }
    static void OnEnd(void* self, const XML_Char*) { static_cast<TreeBuilder*>(self)->End(); }
    static void OnText(void* self, const XML_Char* text, int length)
    {
        static_cast<TreeBuilder*>(self)->Text(text, length);
    }

private:
    struct Open
    {
        wxXmlNode* node;
        wxXmlNode* lastChild;
    };

    void Start(const XML_Char* name, const XML_Char** attributes)
    {
        if (failed)
            return;
        FlushText();
        if (open.size() >= OpsXml::maxDepth || !Count() || !Keep(name))
            return Stop();
        auto* node = new wxXmlNode(wxXML_ELEMENT_NODE, wxString::FromUTF8(name));
        Append(node);
        open.push_back({node, nullptr});
        wxXmlAttribute* last = nullptr;
        for (const XML_Char** pair = attributes; pair[0] && pair[1]; pair += 2) {
            if (!Count() || !Keep(pair[0]) || !Keep(pair[1]))
                return Stop();
            auto* attribute = new wxXmlAttribute(wxString::FromUTF8(pair[0]), wxString::FromUTF8(pair[1]));
            if (last)
                last->SetNext(attribute);
            else
                node->SetAttributes(attribute);
            last = attribute;
        }
    }

    void End()
    {
        if (failed)
            return;
        FlushText();
        if (!open.empty())
            open.pop_back();
    }

    void Text(const XML_Char* text, int length)
    {
        if (failed)
            return;
        if (!Keep(size_t(length)))
            return Stop();
        pending.append(text, size_t(length));
    }

    void FlushText()
    {
        const bool blank = pending.find_first_not_of(" \t\r\n") == std::string::npos;
        if (!blank && !open.empty()) {
            if (!Count())
                return Stop();
            Append(new wxXmlNode(wxXML_TEXT_NODE, "text", wxString::FromUTF8(pending)));
        }
        pending.clear();
    }

    // Hands `node` to the tree: the root, or the last child of the open element.
    void Append(wxXmlNode* node)
    {
        if (open.empty()) {
            root.reset(node);
            return;
        }
        Open& parent = open.back();
        parent.node->InsertChildAfter(node, parent.lastChild);
        parent.lastChild = node;
    }

    bool Count() { return ++nodes <= OpsXml::maxNodes; }

    // Counts the bytes of a text, name or value the tree will hold.
    bool Keep(size_t bytes)
    {
        textBytes += bytes;
        return textBytes <= OpsXml::maxTextBytes;
    }
    bool Keep(const XML_Char* text) { return Keep(std::strlen(text)); }

    void Stop()
    {
        failed = true;
        XML_StopParser(parser, XML_FALSE);
    }

    XML_Parser parser;
    std::unique_ptr<wxXmlNode> root;
    std::vector<Open> open;
    std::string pending;
    size_t nodes = 0;
    size_t textBytes = 0;
    bool failed = false;
};

}  // namespace

namespace OpsXml {

bool Load(const std::string& body, wxXmlDocument& document)
{
    if (body.empty() || body.size() > INT_MAX)
        return false;
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate(nullptr),
                                                                              &XML_ParserFree);
    if (!parser)
        return false;
    TreeBuilder builder(parser.get());
    XML_SetUserData(parser.get(), &builder);
    XML_SetElementHandler(parser.get(), &TreeBuilder::OnStart, &TreeBuilder::OnEnd);
    XML_SetCharacterDataHandler(parser.get(), &TreeBuilder::OnText);
    const bool parsed = XML_Parse(parser.get(), body.data(), int(body.size()), XML_TRUE) == XML_STATUS_OK;
    std::unique_ptr<wxXmlNode> root = builder.Take(parsed);
    if (!root)
        return false;
    document.SetRoot(root.release());
    return true;
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
