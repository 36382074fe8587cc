#pragma once

#include <curl/curl.h>
#include <wx/string.h>

#include <string>

// The bytes of a certificate authorities file; empty, with why in `problem`,
// unless it is a regular file of at most `maxBytes`. Opened without blocking
// (a FIFO would wait for a writer for ever) and read without exceptions.
bool ReadAuthorityFile(const wxString& path, size_t maxBytes, std::string& bytes, wxString& problem);

// The authorities the system trusts, as PEM text, for a transfer that is
// given an extra file: that file would otherwise replace them. On Linux
// libcurl's default bundle; on Windows the user's root certificate store.
std::string SystemAuthorities(CURL* handle);
