// folioharvester-cli ocr FILE.pdf...: makes PDFs the program wrote
// searchable in place, one file after another, each file's pages
// recognised on every core.
#include "cli/Commands.h"
#include "cli/Usage.h"
#include "numbers/Classification.h"
#include "ocr/MakeSearchable.h"
#include "ocr/OcrLanguages.h"
#include "ocr/OcrPool.h"

#include <wx/filename.h>
#include <wx/init.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <signal.h>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int)
{
    stopSignal = 1;
}

// Ctrl+C, SIGTERM and SIGHUP stop the run between two words of a page; the
// file being recognised is left as it was.
void CatchStopSignals()
{
    struct sigaction action = {};
    action.sa_handler = &OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

struct OcrOptions
{
    long workers = 0;
    bool help = false;
    std::vector<std::string> files;
};

bool ParseOptions(const std::vector<std::string>& args, OcrOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        if (arg == "-j")
        {
            char* end = nullptr;
            if (i + 1 >= args.size())
                return false;
            const std::string& value = args[++i];
            options.workers = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || options.workers < 1 || options.workers > 511)
                return false;
        }
        else if (arg == "-h" || arg == "--help")
        {
            options.help = true;
            return true;
        }
        else if (arg == "--")
        {
            options.files.insert(options.files.end(), args.begin() + i + 1, args.end());
            break;
        }
        else if (arg.size() > 1 && arg[0] == '-')
            return false;
        else
            options.files.push_back(arg);
    }
    return !options.files.empty();
}

// The office whose number names the file, as the program names its PDFs
// (5123456.pdf, EP2219563.pdf); empty for any other name.
wxString OfficeOf(const wxString& path)
{
    return OcrLanguages::OfficeOf(Classify(wxFileName(path).GetName()));
}

void PrintLine(std::FILE* stream, const std::string& file, const wxString& text)
{
    std::fprintf(stream, "%s: %s\n", file.c_str(), text.utf8_str().data());
    std::fflush(stream);
}

}  // namespace

int RunOcr(const std::vector<std::string>& args)
{
    OcrOptions options;
    if (!ParseOptions(args, options))
    {
        std::fputs(OcrUsage().c_str(), stderr);
        return 64;
    }
    if (options.help)
    {
        std::fputs(OcrUsage().c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    wxInitializer initializer;
    if (!initializer.IsOk())
    {
        std::fputs("folioharvester-cli: cannot initialise wxWidgets\n", stderr);
        return 1;
    }
    CatchStopSignals();
    const OcrLanguages languages;
    OcrPool pool(static_cast<unsigned>(options.workers), languages.GetDataPath());
    const auto keepGoing = [](int, int) { return stopSignal == 0; };
    int exitCode = 0;
    for (const std::string& file : options.files)
    {
        const wxString path = wxString::FromUTF8(file);
        SearchableOutcome outcome;
        if (stopSignal != 0)
            outcome.text = "stopped, left as it was";
        else
            outcome = MakeSearchable(path, OfficeOf(path), pool, languages, keepGoing);
        const bool good = outcome.kind == SearchableOutcome::made || outcome.kind == SearchableOutcome::hadText;
        PrintLine(good ? stdout : stderr, file, outcome.text);
        if (!good)
            exitCode = 1;
    }
    return exitCode;
}
