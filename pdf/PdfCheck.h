#pragma once

#include <wx/string.h>

#include <string>

class QPDF;

// More pages than any patent has: an office's PDF of more is refused.
constexpr int maxPdfPages = 10'000;

// Reads `pdf` into `reader` as an office's file is read: quietly, and never
// pieced together when damaged. Why it cannot be used ("Not a PDF",
// "Encrypted PDF", a page tree of more than maxPdfPages pages), or empty;
// throws what qpdf throws for a damaged file.
wxString ReadOfficePdf(QPDF& reader, const std::string& pdf);

// Whether `pdf` is a whole PDF a reader can show: parsed without repair,
// not encrypted, with 1 to maxPdfPages pages, every object readable without
// a warning and every stream decodable to its end, as `qpdf --check` reads
// them (the decoded bytes are counted and dropped, at most maxDecodedBytes
// of them). Sets `pageCount`, or `error` in one line.
bool CheckWholePdf(const std::string& pdf, int& pageCount, wxString& error);

// More than any document's streams decode to; a file that decodes to more
// is a compression bomb.
constexpr unsigned long long maxDecodedBytes = 4ULL * 1024 * 1024 * 1024;
