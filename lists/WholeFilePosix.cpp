#include "lists/WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

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

bool WriteWholeFile(const wxString& path, const std::string& bytes, wxString& error)
{
    const std::string target(path.fn_str());
    std::string temporary;
    const int fd = CreateBeside(target, temporary);
    if (fd < 0) {
        error = path + ": " + wxString::FromUTF8(std::strerror(errno));
        return false;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
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
