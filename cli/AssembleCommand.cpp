// folioharvester-cli assemble OUT.pdf PAGE.tif...: one PDF from local TIFF
// pages, through the same writer the download jobs use.
#include "cli/Commands.h"
#include "pdf/PdfWriter.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/wfstream.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

int Usage(const std::string& problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "assemble: %s\n", problem.c_str());
    std::fputs("usage: folioharvester-cli assemble OUT.pdf PAGE.tif...\n", stderr);
    return 64;
}

void Report(const std::string& file, const wxString& reason)
{
    std::fprintf(stderr, "assemble: %s: %s\n", file.c_str(), static_cast<const char*>(reason.utf8_str()));
}

bool NamesPdf(const std::string& name)
{
    return name.size() > 4 && wxString::FromUTF8(name.substr(name.size() - 4)).Lower() == ".pdf";
}

// The page among `pages` that `path` names too (the same file, also through
// a hard or symbolic link), or null.
const std::string* PageAt(const std::string& path, const std::vector<std::string>& pages)
{
    for (const std::string& page : pages)
    {
        std::error_code missing;
        if (std::filesystem::equivalent(std::filesystem::u8path(path), std::filesystem::u8path(page), missing))
            return &page;
    }
    return nullptr;
}

// What the writer's refusal of a page means to someone choosing files.
wxString PageProblem(const wxString& error)
{
    if (error == "Colorspace unsupported!")
        return "not a black-and-white page (WhiteIsZero)";
    if (error == "Compression unsupported!")
        return "not fax-coded (CCITT Group 3 or 4)";
    if (error.Contains("BigEndian"))
        return "a big-endian TIFF file, which is not supported";
    return "unreadable TIFF page (" + wxString(error).Trim(false) + ")";
}

// Why `name` could not be added; empty when the writer took the page.
wxString AddFile(PdfWriter& writer, const wxString& name)
{
    wxLogNull quiet;  // the caller prints the reason once
    wxFile file;
    // errno's texts, the same on every system (Windows refuses to open a
    // folder at all, with a vaguer reason).
    if (!file.Open(name))
    {
        const int cause = errno;
        return std::strerror(wxDirExists(name) ? EISDIR : cause);
    }
    char head[4];
    const ssize_t count = file.Read(head, sizeof head);
    if (count == wxInvalidOffset)
        return std::strerror(errno);
    if (count != sizeof head
        || (std::memcmp(head, "II*\0", sizeof head) != 0 && std::memcmp(head, "MM\0*", sizeof head) != 0))
        return "not a TIFF file";
    if (file.Seek(0) == wxInvalidOffset)
        return std::strerror(errno);
    wxFileInputStream input(file);
    if (writer.AddPage(input))
        return wxString();
    return PageProblem(writer.GetError());
}

}  // namespace

int RunAssemble(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return Usage("");
    const std::string& out = args[0];
    const std::vector<std::string> pages(args.begin() + 1, args.end());
    if (!NamesPdf(out))
        return Usage(out + ": the output's name must end in .pdf");
    const std::string temp = PdfWriter::TempPathFor(wxString::FromUTF8(out)).utf8_string();
    for (const std::string& name : {out, temp})
        if (const std::string* page = PageAt(name, pages))
            return Usage(out + ": is the page " + *page + ", which would be overwritten");

    wxInitializer initializer;
    if (!initializer.IsOk())
    {
        std::fputs("assemble: cannot initialise wxWidgets\n", stderr);
        return 1;
    }

    PdfWriter writer(wxString::FromUTF8(out), static_cast<int>(pages.size()));
    if (!writer.IsOk())
    {
        Report(out, writer.GetSystemError().empty() ? writer.GetError() : writer.GetSystemError());
        return 1;
    }
    for (const std::string& page : pages)
    {
        const wxString problem = AddFile(writer, wxString::FromUTF8(page));
        if (problem.empty())
            continue;
        // A failed write to the output stops the writer too: then the
        // output, not the page, is what the user has to look at.
        if (!writer.GetSystemError().empty())
            Report(out, writer.GetSystemError());
        else
            Report(page, problem);
        writer.Close();  // incomplete: deleted
        return 1;
    }
    if (!writer.Close())
    {
        Report(out, writer.GetError());
        return 1;
    }
    return 0;
}
