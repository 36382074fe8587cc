// Any bytes as each JSON answer of Patent Public Search: the session, the
// search, the print job and its status. Each is read or refused in one
// line; a document is within the page bound and a PDF name fits a path.
#include "services/ppubs/PpubsClient.h"

#include <wx/init.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(const PpubsClient::Failure& failure, bool read)
{
    if (read != (failure.kind == PpubsClient::Failure::Kind::none) ||
        failure.text.find_first_of("\r\n") != wxString::npos)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer init;
    const std::string body(reinterpret_cast<const char*>(data), size);

    PpubsClient::Failure failure;
    const std::optional<std::int64_t> caseId = PpubsClient::ReadSession(body, failure);
    Check(failure, caseId.has_value());
    if (caseId && *caseId <= 0)
        std::abort();

    failure = {};
    const std::optional<PpubsDocument> document = PpubsClient::ReadSearch(body, "6103599", failure);
    Check(failure, document.has_value());
    if (document && (document->pageCount < 1 || document->pageCount > 10000 || document->imageLocation.empty()))
        std::abort();

    failure = {};
    const std::optional<std::int64_t> job = PpubsClient::ReadPrintJob(body, failure);
    Check(failure, job.has_value());

    const std::optional<std::string> name = PpubsClient::ReadPrintStatus(body, 2963183, failure);
    if (name && (failure.kind != PpubsClient::Failure::Kind::none || name->empty() || (*name)[0] == '.' ||
                 name->find('/') != std::string::npos))
        std::abort();
    if (failure.text.find_first_of("\r\n") != wxString::npos)
        std::abort();
    return 0;
}
