#include "app/PdfLauncher.h"

#include <wx/cmdline.h>
#include <wx/filefn.h>
#include <wx/mimetype.h>
#include <wx/utils.h>

#include <memory>
#include <string>
#include <vector>

PdfLauncher::~PdfLauncher() = default;

bool PdfLauncher::Open(const wxString& path)
{
    wxString command;
    std::unique_ptr<wxFileType> type(wxTheMimeTypesManager->GetFileTypeFromExtension("pdf"));
    if (type)
        command = type->GetOpenCommand(path);
    if (!command.empty() && Execute(wxCmdLineParser::ConvertStringToArgs(command, wxCMD_LINE_SPLIT_UNIX)))
        return true;
    return OpenWithDefaultApplication(path);
}

bool PdfLauncher::Print(const wxString& path)
{
    const wxArrayString argv = PrintCommand(path);
    return !argv.empty() && Execute(argv);
}

wxArrayString PdfLauncher::PrintCommand(const wxString& path)
{
    wxPathList searchPath;
    searchPath.AddEnvList("PATH");
    const wxString lp = searchPath.FindAbsoluteValidPath("lp");
    wxArrayString argv;
    if (lp.empty())
        return argv;
    // "--" keeps a file name that starts with "-" from being read as an option.
    argv.Add(lp);
    argv.Add("--");
    argv.Add(path);
    return argv;
}

bool PdfLauncher::Execute(const wxArrayString& argv)
{
    std::vector<std::wstring> storage;
    for (const wxString& arg : argv)
        storage.push_back(arg.ToStdWstring());
    std::vector<const wchar_t*> args;
    for (const std::wstring& arg : storage)
        args.push_back(arg.c_str());
    args.push_back(nullptr);
    return wxExecute(args.data(), wxEXEC_ASYNC) > 0;
}

bool PdfLauncher::OpenWithDefaultApplication(const wxString& path)
{
    return wxLaunchDefaultApplication(path);
}
