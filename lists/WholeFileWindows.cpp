#include "lists/WholeFile.h"

#include <cerrno>
#include <algorithm>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

namespace {

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const unsigned chunk = static_cast<unsigned>(std::min<size_t>(bytes.size() - done, INT_MAX));
        const int n = _write(fd, bytes.data() + done, chunk);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A new file beside `target`; -1 and errno set on failure.
int CreateBeside(const wxString& target, wxString& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = wxString::Format("%s.%d-%d.tmp", target, _getpid(), attempt);
        const int fd = _wopen(name.wc_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                              _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Replaces `target` in one step, as rename() does elsewhere.
int Replace(const wxString& from, const wxString& target)
{
    if (MoveFileExW(from.wc_str(), target.wc_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(target.wc_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return EISDIR;
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_DISK_FULL:
        return ENOSPC;
    default:
        return EIO;
    }
}

}  // namespace

bool WriteWholeFile(const wxString& path, const std::string& bytes, wxString& error)
{
    wxString temporary;
    const int fd = CreateBeside(path, temporary);
    if (fd < 0) {
        error = path + ": " + wxString::FromUTF8(std::strerror(errno));
        return false;
    }
    bool ok = WriteAll(fd, bytes) && _commit(fd) == 0;
    int cause = ok ? 0 : errno;
    if (_close(fd) != 0 && ok) {
        ok = false;
        cause = errno;
    }
    if (ok && (cause = Replace(temporary, path)) != 0)
        ok = false;
    if (!ok) {
        _wunlink(temporary.wc_str());
        error = path + ": " + wxString::FromUTF8(std::strerror(cause != 0 ? cause : EIO));
    }
    return ok;
}
