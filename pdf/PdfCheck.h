#pragma once

#include <wx/string.h>

#include <string>

// Whether `pdf` is a whole PDF a reader can show: parsed without repair,
// not encrypted, with pages, and every object and stream readable without
// a warning (what `qpdf --check` asks). Sets `pageCount`, or `error` in
// one line.
bool CheckWholePdf(const std::string& pdf, int& pageCount, wxString& error);
