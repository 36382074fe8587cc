#include "app/PdfLauncher.h"

#include <wx/cmdline.h>
#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/mimetype.h>
#include <wx/process.h>
#include <wx/utils.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Watches a program started without waiting and reports a failing exit;
// it deletes itself when the program has ended.
class FailureReport : public wxProcess
{
public:
    void OnTerminate(int, int status) override
    {
        if (status != 0)
            wxLogError("%s", noPdfReaderText);
        delete this;
    }
};

}  // namespace

PdfLauncher::~PdfLauncher() = default;

bool PdfLauncher::Open(const wxString& path)
{
    const wxArrayString argv = OpenCommand(path);
    if (!argv.empty() && Execute(argv, false))
        return true;
    return OpenWithDefaultApplication(path);
}

bool PdfLauncher::Print(const wxString& path)
{
    const wxArrayString argv = PrintCommand(path);
    return !argv.empty() && Execute(argv, true);
}

wxArrayString PdfLauncher::OpenCommand(const wxString& path)
{
    wxArrayString argv;
    std::unique_ptr<wxFileType> type(wxTheMimeTypesManager->GetFileTypeFromExtension("pdf"));
    if (!type)
        return argv;
    // The command is split with a plain stand-in for the file: the command
    // line's quoting would eat quotes and backslashes in the real path.
    const wxString standIn = "FolioHarvesterPdfPath";
    argv = wxCmdLineParser::ConvertStringToArgs(type->GetOpenCommand(standIn),
                                                wxCMD_LINE_SPLIT_UNIX);
    for (wxString& arg : argv)
        arg.Replace(standIn, path);
    return argv;
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

bool PdfLauncher::Execute(const wxArrayString& argv, bool reportFailure)
{
    std::vector<std::wstring> storage;
    for (const wxString& arg : argv)
        storage.push_back(arg.ToStdWstring());
    std::vector<const wchar_t*> args;
    for (const std::wstring& arg : storage)
        args.push_back(arg.c_str());
    args.push_back(nullptr);
    wxProcess* report = reportFailure ? new FailureReport : nullptr;
    if (wxExecute(args.data(), wxEXEC_ASYNC, report) > 0)
        return true;
    delete report;
    return false;
}

bool PdfLauncher::OpenWithDefaultApplication(const wxString& path)
{
    return wxLaunchDefaultApplication(path);
}
