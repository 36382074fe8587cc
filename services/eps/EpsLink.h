#pragma once

#include <wx/string.h>

#include <optional>
#include <string>

// `link` (absolute, root-relative or relative, as a page or a Location header
// gives it) resolved against `base`, the URL of the answer that gave it;
// nullopt unless the result is an http:// or https:// URL.
std::optional<wxString> ResolveEpsLink(const wxString& base, const std::string& link);
