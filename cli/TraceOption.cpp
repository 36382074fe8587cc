#include "cli/TraceOption.h"

#include "net/HttpTrace.h"

#include <cstdio>

bool TraceOption::Take(const std::vector<std::string>& args, size_t& i, bool& ok)
{
    if (args[i] != "--trace")
        return false;
    if (i + 1 >= args.size() || args[i + 1].empty()) {
        ok = false;
        return true;
    }
    path = args[++i];
    return true;
}

std::shared_ptr<HttpTrace> TraceOption::Open(bool& opened) const
{
    opened = true;
    if (path.empty())
        return nullptr;
    wxString error;
    std::shared_ptr<HttpTrace> trace = HttpTrace::Open(wxString(path.c_str(), *wxConvFileName), error);
    if (!trace) {
        opened = false;
        std::fprintf(stderr, "folioharvester-cli: %s\n", error.utf8_str().data());
    }
    return trace;
}
