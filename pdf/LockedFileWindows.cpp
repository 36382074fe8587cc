#include "pdf/LockedFile.h"

#include <wx/filename.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// errno for what Windows reports of a failed open, write or rename.
int ErrnoOf(DWORD error)
{
    switch (error)
    {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
        return EINVAL;
    default:
        return EIO;
    }
}

int Failed(DWORD error)
{
    errno = ErrnoOf(error);
    return -1;
}

}  // namespace

// Windows locks by sharing: while our handle is open nobody else may open
// the file for writing, but it may be read, renamed and deleted.
int LockedFile::Open(const wxString& path, wxString& cause)
{
    const wxString shown = wxFileName(path).GetFullName();
    const HANDLE file = CreateFileW(path.wc_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            cause = shown + " is being written by another download";
        return Failed(error);
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool read = GetFileInformationByHandle(file, &info);
    if (!read || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks != 1)
    {
        CloseHandle(file);
        if (read)
            cause = shown + ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? " is a symbolic link"
                                                                                    : " is linked to another file");
        errno = read ? EEXIST : EIO;
        return -1;
    }
    if (!SetEndOfFile(file))
    {
        const DWORD error = GetLastError();
        CloseHandle(file);
        return Failed(error);
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0)
    {
        CloseHandle(file);
        errno = EMFILE;
    }
    return fd;
}

int LockedFile::KeepLock(int fd)
{
    return _dup(fd);
}

bool LockedFile::Rename(const wxString& from, const wxString& to)
{
    if (MoveFileExW(from.wc_str(), to.wc_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    Failed(GetLastError());
    return false;
}

// wxSysErrorMsgStr reads Windows' own error codes there, not errno values.
wxString LockedFile::ErrorText(int error)
{
    return wxString(std::strerror(error));
}
