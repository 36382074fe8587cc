#include "jobs/SearchableDownload.h"

#ifdef FH_OCR
#include "ocr/MakeSearchable.h"
#include "ocr/OcrLanguages.h"
#include "ocr/OcrPool.h"
#endif

namespace SearchableDownload {

#ifdef FH_OCR

bool Available()
{
    return true;
}

wxString OfficeOf(const Classification& entry)
{
    return OcrLanguages::OfficeOf(entry);
}

std::optional<wxString> Run(const wxString& path, const wxString& office,
                            const std::function<bool(int done, int total)>& keepGoing)
{
    const std::shared_ptr<OcrPool> pool = OcrPool::Shared();
    const SearchableOutcome outcome = MakeSearchable(path, office, *pool, OcrLanguages(), keepGoing);
    switch (outcome.kind) {
    case SearchableOutcome::stopped:
        return std::nullopt;
    case SearchableOutcome::made:
        if (outcome.pagesWithoutText == 0)
            return wxString();
        return "Searchable but " + outcome.reason;
    case SearchableOutcome::hadText:
        return wxString();
    default:
        return "Not searchable: " + outcome.reason;
    }
}

#else

bool Available()
{
    return false;
}

wxString OfficeOf(const Classification&)
{
    return wxString();
}

std::optional<wxString> Run(const wxString&, const wxString&, const std::function<bool(int, int)>&)
{
    return wxString();
}

#endif

}  // namespace SearchableDownload
