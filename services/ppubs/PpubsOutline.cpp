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

// In the order a reader meets sections that begin on the same page.
const KnownSection knownSections[] = {
    {"frontPageStart", "Front page"},      {"abstractStart", "Abstract"},
    {"drawingsStart", "Drawings"},         {"specificationStart", "Description"},
    {"descriptionStart", "Description"},   {"claimsStart", "Claims"},
    {"certificateCorrectionStart", "Certificate of correction"},
    {"supplementalStart", "Supplemental"},
};
const size_t unknownRank = std::size(knownSections);

size_t RankOf(const std::string& field)
{
    for (size_t i = 0; i < unknownRank; ++i)
        if (field == knownSections[i].field)
            return i;
    return unknownRank;
}

// "searchReportStart" -> "Search report".
wxString TitleOf(const std::string& field)
{
    const size_t rank = RankOf(field);
    if (rank < unknownRank)
        return knownSections[rank].title;
    wxString title;
    for (char c : field.substr(0, field.size() - 5)) {
        if (c >= 'A' && c <= 'Z' && !title.empty())
            title << ' ' << static_cast<char>(c - 'A' + 'a');
        else
            title << c;
    }
    return title.Capitalize();
}

// Field names are the service's; anything but a short plain name is left
// out rather than shown in a reader's outline.
bool IsSectionField(const std::string& field)
{
    const size_t suffix = 5;  // "Start"
    if (field.size() <= suffix || field.size() > 40)
        return false;
    return std::all_of(field.begin(), field.end(),
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

}  // namespace

std::vector<PpubsSection> PpubsOutline(const std::map<std::string, int>& sectionStarts)
{
    struct Ranked
    {
        int page;
        size_t rank;
        std::string field;
    };
    std::vector<Ranked> ranked;
    for (const auto& [field, page] : sectionStarts)
        if (page >= 1 && IsSectionField(field))
            ranked.push_back({page, RankOf(field), field});
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        return std::tie(a.page, a.rank, a.field) < std::tie(b.page, b.rank, b.field);
    });
    std::vector<PpubsSection> outline;
    for (const Ranked& section : ranked)
        outline.push_back({TitleOf(section.field), section.page});
    return outline;
}
