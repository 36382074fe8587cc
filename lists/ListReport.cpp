#include "lists/ListReport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::string ReportText(const std::vector<ReportRow>& rows)
{
    wxString text = "entry,number,status,file\r\n";
    for (const ReportRow& row : rows)
        text << CsvField(row.entry) << ',' << CsvField(row.number) << ',' << CsvField(row.status)
             << ',' << CsvField(row.file) << "\r\n";
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A new file beside `target`, created with the usual permissions; -1 and
// errno set on failure.
int CreateBeside(const std::string& target, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}  // namespace

wxString CsvField(const wxString& value)
{
    wxString field = value;
    if (!field.empty() && wxString("=+-@\t\r").find(field[0]) != wxString::npos)
        field.Prepend("'");
    if (field.find_first_of(",\"\r\n") == wxString::npos)
        return field;
    field.Replace("\"", "\"\"");
    return "\"" + field + "\"";
}

bool WriteReport(const wxString& path, const std::vector<ReportRow>& rows, wxString& error)
{
    const std::string target(path.fn_str());
    std::string temporary;
    const int fd = CreateBeside(target, temporary);
    if (fd < 0) {
        error = path + ": " + wxString::FromUTF8(std::strerror(errno));
        return false;
    }
    bool ok = WriteAll(fd, ReportText(rows)) && ::fsync(fd) == 0;
    int cause = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        cause = errno;
    }
    if (ok && std::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        cause = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        error = path + ": " + wxString::FromUTF8(std::strerror(cause != 0 ? cause : EIO));
    }
    return ok;
}
