#include "cli/StatusView.h"

#include <cerrno>

bool StatusView::Write(const std::string& bytes)
{
    if (error != 0)
        return false;
    errno = 0;
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        error = errno != 0 ? errno : EIO;
    return error == 0;
}

void LinePrinter::Status(int row, const wxString& text)
{
    Write(std::to_string(row) + "\t" + text.utf8_string() + "\n");
}
