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

// Parses `body` quietly (a broken answer is the caller's error, not a log
// message). False when it is not well-formed XML.
bool Load(const std::string& body, wxXmlDocument& document);

// The element's name without its prefix equals `localName`.
bool Is(const wxXmlNode* node, const char* localName);

const wxXmlNode* Child(const wxXmlNode* parent, const char* localName);
std::vector<const wxXmlNode*> Children(const wxXmlNode* parent, const char* localName);

// The text of the first such child, trimmed; empty when there is none.
wxString ChildText(const wxXmlNode* parent, const char* localName);

}  // namespace OpsXml
