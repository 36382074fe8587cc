#pragma once

#include <wx/string.h>

#include <functional>
#include <optional>

struct Classification;

// A download's PDF made searchable (OCR) once it is complete, when the
// settings ask for it and the program was built with OCR. The whole file is
// recognised after it is written, not page by page as it arrives: one way
// for every route, also for an office's PDF kept as served and a document
// downloaded before, the same as `folioharvester-cli ocr`; while one
// document is recognised on the shared pool, the other jobs go on
// downloading.
namespace SearchableDownload {

// Whether this build can make PDFs searchable.
bool Available();

// The office whose languages read `entry`'s pages ("US", "EP"); empty when
// the build has no OCR.
wxString OfficeOf(const Classification& entry);

// Makes the complete PDF at `path` searchable in place, in `office`'s
// languages, on the pool the process shares: the searchable file replaces
// the plain one through the hidden part file and a rename.
// `keepGoing(done, total)` is asked on this thread as pages are recognised;
// false stops, and the plain file stays as it was. Returns a note for the
// job's last status: empty when every page has text now (or had already),
// else why not ("Not searchable: no Japanese OCR language installed");
// nullopt when stopped.
std::optional<wxString> Run(const wxString& path, const wxString& office,
                            const std::function<bool(int done, int total)>& keepGoing);

}  // namespace SearchableDownload
