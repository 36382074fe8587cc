#include "services/ppubs/PpubsOutline.h"

#include <algorithm>
#include <iterator>
#include <tuple>

namespace {

struct KnownSection
{
    const char* field;
    const char* title;
};

// The section fields of a search answer, in the order a reader meets
// sections that begin on the same page. A field not named here is no
// section we know.
const KnownSection knownSections[] = {
    {"frontPageStart", "Front page"},
    {"bibStart", "Bibliography"},
    {"abstractStart", "Abstract"},
    {"drawingsStart", "Drawings"},
    {"specificationStart", "Description"},
    // Usually the same page as the field above: one bookmark for both.
    {"descriptionStart", "Description"},
    {"claimsStart", "Claims"},
    {"certCorrectionStart", "Certificate of correction"},
    {"certReexaminationStart", "Reexamination certificate"},
    {"supplementalStart", "Supplemental"},
    {"ptabStart", "PTAB decision"},
    {"amendStart", "Amendment"},
    {"searchReportStart", "Search report"},
};

}  // namespace

std::vector<PpubsSection> PpubsOutline(const std::map<std::string, int>& sectionStarts)
{
    struct Ranked
    {
        int page;
        size_t rank;
    };
    std::vector<Ranked> ranked;
    for (size_t rank = 0; rank < std::size(knownSections); ++rank) {
        const auto start = sectionStarts.find(knownSections[rank].field);
        if (start == sectionStarts.end() || start->second < 1)
            continue;
        const wxString title = knownSections[rank].title;
        const bool titled = std::any_of(ranked.begin(), ranked.end(),
                                        [&](const Ranked& r) { return title == knownSections[r.rank].title; });
        if (!titled)
            ranked.push_back({start->second, rank});
    }
    std::sort(ranked.begin(), ranked.end(),
              [](const Ranked& a, const Ranked& b) { return std::tie(a.page, a.rank) < std::tie(b.page, b.rank); });
    std::vector<PpubsSection> outline;
    for (const Ranked& section : ranked)
        outline.push_back({knownSections[section.rank].title, section.page});
    return outline;
}
