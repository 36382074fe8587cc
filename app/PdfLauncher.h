#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

// Hands a finished PDF to the system: the viewer registered for "pdf" (or
// the desktop's default application) to open it, CUPS' `lp` to print it.
// Starting programs goes through two virtual calls so tests can record them.
class PdfLauncher
{
public:
    virtual ~PdfLauncher();

    // False when no viewer could be found or started.
    bool Open(const wxString& path);
    // False when there is no `lp` on PATH or it could not be started.
    bool Print(const wxString& path);

    // The print command for `path`, empty when no `lp` is on PATH.
    static wxArrayString PrintCommand(const wxString& path);

protected:
    // Starts a program without waiting for it; false when it cannot start.
    virtual bool Execute(const wxArrayString& argv);
    virtual bool OpenWithDefaultApplication(const wxString& path);
};
