#pragma once

#include <wx/string.h>

#include <string>

// Writes `bytes` to a new file beside `path` that replaces `path` only once
// it is complete and on the disk. False with a one-line error "PATH: reason"
// on failure, and `path` untouched.
bool WriteWholeFile(const wxString& path, const std::string& bytes, wxString& error);
