#pragma once

#include <wx/string.h>

#include <string>

class QPDF;

// Reads `pdf` into `reader` as an office's file is read: quietly, and never
// pieced together when damaged. Why it cannot be used ("Not a PDF",
// "Encrypted PDF"), or empty; throws what qpdf throws for a damaged file.
wxString ReadOfficePdf(QPDF& reader, const std::string& pdf);

// Whether `pdf` is a whole PDF a reader can show: parsed without repair,
// not encrypted, with pages, and every object and stream readable without
// a warning (what `qpdf --check` asks). Sets `pageCount`, or `error` in
// one line.
bool CheckWholePdf(const std::string& pdf, int& pageCount, wxString& error);
