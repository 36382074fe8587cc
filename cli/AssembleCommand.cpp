// folioharvester-cli assemble OUT.pdf PAGE.tif...: one PDF from local TIFF
// pages, through the same writer the download jobs use.
#include "cli/Commands.h"
#include "pdf/PdfWriter.h"

#include <wx/init.h>
#include <wx/log.h>
#include <wx/wfstream.h>

#include <cstdio>

namespace {

bool AddFile(PdfWriter& writer, const wxString& file)
{
    // The failure is printed by the caller, once, instead of through the log.
    wxLogNull quiet;
    wxFileInputStream input(file);
    return writer.AddPage(input);
}

void Report(const std::string& what, const wxString& error)
{
    std::fprintf(stderr, "assemble: %s: %s\n", what.c_str(), static_cast<const char*>(error.utf8_str()));
}

}  // namespace

int RunAssemble(const std::vector<std::string>& args)
{
    if (args.size() < 2)
    {
        std::fputs("usage: folioharvester-cli assemble OUT.pdf PAGE.tif...\n", stderr);
        return 64;
    }
    wxInitializer initializer;
    if (!initializer.IsOk())
    {
        std::fputs("assemble: cannot initialise wxWidgets\n", stderr);
        return 1;
    }

    PdfWriter writer(wxString::FromUTF8(args[0]), static_cast<int>(args.size() - 1));
    for (size_t i = 1; i < args.size() && writer.IsOk(); ++i)
    {
        if (!AddFile(writer, wxString::FromUTF8(args[i])))
        {
            Report(args[i], writer.GetError());
            writer.Close();  // incomplete: deleted
            return 1;
        }
    }
    if (!writer.IsOk())
    {
        Report(args[0], writer.GetError());
        return 1;
    }
    if (!writer.Close())
    {
        Report(args[0], "writing the file failed");
        return 1;
    }
    return 0;
}
