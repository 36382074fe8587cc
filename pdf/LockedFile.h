#pragma once

#include <wx/string.h>

// The platform's part of writing a document under a hidden name: the file
// locked against every other writer, and the rename that gives the finished
// document its name. Failures leave errno set.
namespace LockedFile
{
// Creates `path` afresh for writing, locked against every other writer. A
// file there already is taken for one left by a killed process when no
// writer holds it: it is replaced. One being written now is refused (EBUSY).
// A link, a FIFO, a folder or a file with a second name at `path` is never
// opened for writing, so nothing elsewhere is written through it. The
// descriptor, or -1 with errno set and, for a refusal of our own, `cause` in
// words.
int Open(const wxString& path, wxString& cause);

// A second descriptor of `fd` that keeps the lock once `fd` is closed, or -1.
int KeepLock(int fd);

// Gives the file `from` the name `to`, replacing a file of that name.
bool Rename(const wxString& from, const wxString& to);

// The text of an errno value.
wxString ErrorText(int error);
}  // namespace LockedFile
