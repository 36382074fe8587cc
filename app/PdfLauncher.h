#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

// What the user is told when no program takes a PDF to open or print it.
inline constexpr char noPdfReaderText[] = "No PDF Reader Found.  Please install a PDF reader.";

// Hands a finished PDF to the system: on Linux the viewer registered for
// "pdf" (or the desktop's default application) to open it, CUPS' `lp` to
// print it; on Windows the shell's "open" and "print" verbs of the file.
// Starting programs goes through virtual calls so tests can record them.
class PdfLauncher
{
public:
    virtual ~PdfLauncher();

    // False when no viewer could be found or started.
    bool Open(const wxString& path);
#ifdef __WINDOWS__
    // False when no program takes the PDF for printing.
    bool Print(const wxString& path);

protected:
    // The shell's `verb` ("open", "print") on `path`, without waiting;
    // false when no program is registered for it or it cannot start.
    virtual bool RunShellVerb(const wxString& verb, const wxString& path);
};
#else
    // False when there is no `lp` on PATH or it could not be started. A
    // request that `lp` refuses is reported through the error log once `lp`
    // has ended.
    bool Print(const wxString& path);

    // The registered viewer's command for `path`, one argument per element;
    // empty when no viewer is registered for "pdf".
    static wxArrayString OpenCommand(const wxString& path);
    // The print command for `path`, empty when no `lp` is on PATH.
    static wxArrayString PrintCommand(const wxString& path);

protected:
    // Starts a program without waiting for it; false when it cannot start.
    // With `reportFailure`, a non-zero exit status is reported when the
    // program ends.
    virtual bool Execute(const wxArrayString& argv, bool reportFailure);
    virtual bool OpenWithDefaultApplication(const wxString& path);
};
#endif
