#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

class wxXmlDocument;
class wxXmlNode;

// Reading OPS answers with wxXmlDocument, which keeps namespace prefixes in
// element names: elements are matched by their local name, so "ops:" or any
// other prefix the service binds to its namespaces reads the same.
namespace OpsXml {

// Parses `body` into `document`. False when it is not well-formed XML or
// is shaped as no OPS answer is: nested deeper than maxDepth, more than
// maxNodes elements, attributes and texts, or more than maxTextBytes of
// text, names and attribute values.
bool Load(const std::string& body, wxXmlDocument& document);

// Far beyond any OPS answer (an inquiry is about ten levels deep and a few
// hundred nodes), and small enough that a tree within them is freed safely
// and fits in memory many times over.
constexpr int maxDepth = 256;
constexpr size_t maxNodes = 100'000;
constexpr size_t maxTextBytes = 4 * 1024 * 1024;

// The element's name without its prefix equals `localName`.
bool Is(const wxXmlNode* node, const char* localName);

const wxXmlNode* Child(const wxXmlNode* parent, const char* localName);
std::vector<const wxXmlNode*> Children(const wxXmlNode* parent, const char* localName);

// The text of the first such child, trimmed; empty when there is none.
wxString ChildText(const wxXmlNode* parent, const char* localName);

}  // namespace OpsXml
