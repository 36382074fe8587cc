#include "pdf/LockedFile.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Why the thing at `path` is not a file this writer may replace, or empty.
wxString Unreplaceable(const struct stat& info, const wxString& name)
{
    if (S_ISLNK(info.st_mode))
        return name + " is a symbolic link";
    if (!S_ISREG(info.st_mode))
        return name + " is not a regular file";
    if (info.st_nlink != 1)
        return name + " is linked to another file";
    return wxString();
}

}  // namespace

int LockedFile::Open(const wxString& path, wxString& cause)
{
    const wxCharBuffer name = path.fn_str();
    const wxString shown = wxFileName(path).GetFullName();
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        const int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
        if (fd >= 0)
        {
            if (flock(fd, LOCK_EX | LOCK_NB) == 0)
                return fd;
            close(fd);
            break;  // a writer took it over between our creating and locking it
        }
        if (errno != EEXIST)
            return -1;
        struct stat named;
        if (lstat(name, &named) != 0)
        {
            if (errno == ENOENT)
                continue;
            return -1;
        }
        cause = Unreplaceable(named, shown);
        if (!cause.empty())
        {
            errno = EEXIST;
            return -1;
        }
        // Opened to read it only, for its lock.
        const int left = open(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        struct stat opened;
        if (left < 0 || fstat(left, &opened) != 0 || !SameFile(opened, named))
        {
            if (left >= 0)
                close(left);
            continue;
        }
        if (flock(left, LOCK_EX | LOCK_NB) != 0)
        {
            close(left);
            break;
        }
        // The writer that held the lock may have renamed the file meanwhile.
        if (lstat(name, &named) == 0 && SameFile(opened, named))
            unlink(name);
        close(left);
    }
    cause = shown + " is being written by another download";
    errno = EBUSY;
    return -1;
}

int LockedFile::KeepLock(int fd)
{
    return fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

bool LockedFile::Rename(const wxString& from, const wxString& to)
{
    return wxRename(from, to) == 0;
}

wxString LockedFile::ErrorText(int error)
{
    return wxSysErrorMsgStr(error);
}
