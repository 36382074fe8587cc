#include "cli/Commands.h"

#include "numbers/Classification.h"
#include "numbers/FormatHelp.h"

#include <wx/init.h>

#include <cstdio>

namespace {

// Arguments arrive in the locale's encoding; UTF-8 covers it on any current
// system, and Latin-1 keeps every other byte instead of dropping the text.
wxString ArgumentText(const std::string& arg)
{
    wxString text = wxString::FromUTF8(arg.data(), arg.size());
    if (text.empty() && !arg.empty())
        text = wxString(arg.data(), wxConvISO8859_1, arg.size());
    return text;
}

void PrintLine(std::FILE* stream, const wxString& text)
{
    std::fputs(text.utf8_str().data(), stream);
    std::fputc('\n', stream);
}

}  // namespace

int RunClassify(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fputs("usage: folioharvester-cli classify TEXT\n", stderr);
        return 64;
    }
    wxInitializer initializer;
    if (!initializer.IsOk()) {
        std::fputs("folioharvester-cli: cannot initialise wxWidgets\n", stderr);
        return 1;
    }
    const wxString entryText = ArgumentText(args[0]);
    const Classification result = Classify(entryText);
    PrintLine(stdout, result.Line());
    if (result.kind == Classification::invalid) {
        PrintLine(stderr, UnknownFormatMessage(entryText));
        return 2;
    }
    return 0;
}
