#include "net/AuthorityFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include <wincrypt.h>

bool ReadAuthorityFile(const wxString& path, size_t maxBytes, std::string& bytes, wxString& problem)
{
    bytes.clear();
    const int fd = _wopen(path.wc_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    struct _stat64 info;
    if (fd < 0 || _fstat64(fd, &info) != 0)
        problem = wxString::FromUTF8(std::strerror(errno));
    else if (info.st_mode & _S_IFDIR)
        problem = "a folder";
    else if (!(info.st_mode & _S_IFREG))
        problem = "not a regular file";
    else if (static_cast<unsigned long long>(info.st_size) > maxBytes)
        problem = wxString::Format("larger than %zu bytes", maxBytes);
    else {
        char chunk[65536];
        int n;
        while ((n = _read(fd, chunk, sizeof chunk)) > 0 && problem.empty()) {
            if (bytes.size() + size_t(n) > maxBytes)
                problem = wxString::Format("larger than %zu bytes", maxBytes);
            bytes.append(chunk, size_t(n));
        }
        if (n < 0)
            problem = wxString::FromUTF8(std::strerror(errno));
    }
    if (fd >= 0)
        _close(fd);
    if (!problem.empty())
        bytes.clear();
    return problem.empty();
}

namespace {

std::string RootStoreAsPem()
{
    std::string authorities;
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (!store)
        return authorities;
    PCCERT_CONTEXT cert = nullptr;
    while ((cert = CertEnumCertificatesInStore(store, cert)) != nullptr) {
        const DWORD flags = CRYPT_STRING_BASE64HEADER;
        DWORD size = 0;
        if (!CryptBinaryToStringA(cert->pbCertEncoded, cert->cbCertEncoded, flags, nullptr, &size))
            continue;
        std::string pem(size, '\0');
        if (CryptBinaryToStringA(cert->pbCertEncoded, cert->cbCertEncoded, flags, pem.data(), &size))
            authorities.append(pem.data(), size);
    }
    CertCloseStore(store, 0);
    return authorities;
}

}  // namespace

// Schannel trusts Windows' store by itself, but only as long as no file is
// given; the user's root store, as PEM, keeps that trust beside the file.
// Read once: jobs starting together would otherwise each walk the store
// (Wine builds it on first use, and its threads then race).
std::string SystemAuthorities(CURL*)
{
    static const std::string authorities = RootStoreAsPem();
    return authorities;
}
