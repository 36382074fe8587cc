#include "net/AuthorityFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadAuthorityFile(const wxString& path, size_t maxBytes, std::string& bytes, wxString& problem)
{
    bytes.clear();
    const int fd = open(path.fn_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0)
        problem = wxString::FromUTF8(std::strerror(errno));
    else if (S_ISDIR(info.st_mode))
        problem = "a folder";
    else if (!S_ISREG(info.st_mode))
        problem = "not a regular file";
    else if (static_cast<unsigned long long>(info.st_size) > maxBytes)
        problem = wxString::Format("larger than %zu bytes", maxBytes);
    else {
        char chunk[65536];
        for (;;) {
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n < 0)
                    problem = wxString::FromUTF8(std::strerror(errno));
                break;
            }
            if (bytes.size() + size_t(n) > maxBytes) {
                problem = wxString::Format("larger than %zu bytes", maxBytes);
                break;
            }
            bytes.append(chunk, size_t(n));
        }
    }
    if (fd >= 0)
        close(fd);
    if (!problem.empty())
        bytes.clear();
    return problem.empty();
}

std::string SystemAuthorities(CURL* handle)
{
    char* bundle = nullptr;
    std::string authorities;
    wxString problem;
    const size_t anySize = size_t(64) * 1024 * 1024;
    if (curl_easy_getinfo(handle, CURLINFO_CAINFO, &bundle) == CURLE_OK && bundle)
        ReadAuthorityFile(wxString::FromUTF8(bundle), anySize, authorities, problem);
    return authorities;
}
