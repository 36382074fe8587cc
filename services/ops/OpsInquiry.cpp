#include "services/ops/OpsInquiry.h"

#include "services/ops/OpsXml.h"

#include <wx/xml/xml.h>

#include <algorithm>

namespace {

// Beyond any real document; larger counts are garbage.
constexpr unsigned long mostPages = 100'000;
constexpr size_t longestSectionName = 40;

struct KnownSection
{
    const char* name;
    const char* title;
};

// In the order the outline keeps for sections that begin on the same page.
const KnownSection knownSections[] = {
    {"BIBLIOGRAPHY", "Bibliography"}, {"ABSTRACT", "Abstract"},
    {"DESCRIPTION", "Description"},   {"CLAIMS", "Claims"},
    {"DRAWINGS", "Drawings"},         {"SEARCH_REPORT", "Search report"},
    {"AMENDMENT", "Amendment"},
};
constexpr size_t unknownRank = sizeof knownSections / sizeof knownSections[0];

size_t RankOf(const wxString& name)
{
    for (size_t i = 0; i < unknownRank; ++i) {
        if (name.IsSameAs(knownSections[i].name, false))
            return i;
    }
    return unknownRank;
}

// "EXAMINATION_REPORT" -> "Examination report".
wxString TitleOf(const wxString& name)
{
    const size_t rank = RankOf(name);
    if (rank < unknownRank)
        return knownSections[rank].title;
    wxString title = name.Capitalize();
    title.Replace("_", " ");
    return title;
}

bool IsSectionName(const wxString& name)
{
    if (name.empty() || name.length() > longestSectionName)
        return false;
    for (wxUniChar c : name) {
        const auto v = c.GetValue();
        if (!((v >= 'A' && v <= 'Z') || (v >= 'a' && v <= 'z') || (v >= '0' && v <= '9') ||
              v == '_' || v == '-'))
            return false;
    }
    return true;
}

// A relative path below rest-services/ that stays there: no scheme, no
// query, no climbing up.
bool IsSafeLink(const wxString& link)
{
    if (link.empty() || link[0] == '/' || link.Contains("..") || link.Contains("//"))
        return false;
    for (wxUniChar c : link) {
        const auto v = c.GetValue();
        if (!((v >= 'A' && v <= 'Z') || (v >= 'a' && v <= 'z') || (v >= '0' && v <= '9') ||
              v == '/' || v == '_' || v == '-' || v == '.'))
            return false;
    }
    return true;
}

unsigned CountOf(const wxString& text)
{
    unsigned long value = 0;
    if (text.empty() || text.find_first_not_of("0123456789") != wxString::npos ||
        !text.ToULong(&value) || value > mostPages)
        return 0;
    return static_cast<unsigned>(value);
}

std::vector<OpsSection> SectionsOf(const wxXmlNode* instance)
{
    std::vector<OpsSection> sections;
    for (const wxXmlNode* node : OpsXml::Children(instance, "document-section")) {
        const wxString name = node->GetAttribute("name");
        const unsigned page = CountOf(node->GetAttribute("start-page"));
        if (IsSectionName(name) && page > 0)
            sections.push_back({name, page});
    }
    return sections;
}

void ReadInstances(const wxXmlNode* resultNode, OpsInquiryResult& result)
{
    for (const wxXmlNode* node : OpsXml::Children(resultNode, "document-instance")) {
        OpsInstance instance;
        instance.desc = node->GetAttribute("desc");
        instance.link = node->GetAttribute("link");
        instance.pageCount = CountOf(node->GetAttribute("number-of-pages"));
        if (!IsSafeLink(instance.link) || instance.pageCount == 0)
            continue;
        instance.sections = SectionsOf(node);
        result.instances.push_back(std::move(instance));
    }
}

// The docdb document-id of the result's publication-reference.
void ReadPublication(const wxXmlNode* resultNode, OpsInquiryResult& result)
{
    const wxXmlNode* reference = OpsXml::Child(resultNode, "publication-reference");
    for (const wxXmlNode* id : OpsXml::Children(reference, "document-id")) {
        if (id->GetAttribute("document-id-type") != "docdb")
            continue;
        result.country = OpsXml::ChildText(id, "country");
        result.number = OpsXml::ChildText(id, "doc-number");
        result.kind = OpsXml::ChildText(id, "kind");
        return;
    }
}

// The FullDocument instance with the most pages, the first among equals.
const OpsInstance* FullDocumentOf(const OpsInquiryResult& result)
{
    const OpsInstance* full = nullptr;
    for (const OpsInstance& instance : result.instances) {
        if (instance.desc == "FullDocument" && (full == nullptr || instance.pageCount > full->pageCount))
            full = &instance;
    }
    return full;
}

// How well a publication answers a number typed without a kind, as a user
// who types a patent number expects: the grant, the newest one first, then
// the application, then any other kind (a design's S, a reissue's E, a
// correction). Between equals the most pages win.
struct Preference
{
    int rank = 0;   // 2 grant, 1 application, 0 other
    int newer = 0;  // among grants

    bool operator<(const Preference& other) const
    {
        return rank != other.rank ? rank < other.rank : newer < other.newer;
    }
};

Preference PreferenceOf(const OpsInquiryResult& result)
{
    const wxString kind = result.kind.Upper();
    // US patents before 2001 are kind A; the B1 and B2 of their numbers are
    // reexamination certificates.
    if (result.country.IsSameAs("US", false) && kind == "A")
        return {2, 10};
    if (kind.StartsWith("B")) {
        const bool numbered = kind.length() == 2 && kind[1] >= '0' && kind[1] <= '9';
        const int digit = numbered ? static_cast<int>(kind[1].GetValue() - '0') : 0;
        // A B8 corrects only the title page.
        return {2, digit == 8 ? 0 : digit};
    }
    if (kind.StartsWith("A"))
        return {1, 0};
    return {0, 0};
}

}  // namespace

std::vector<OpsOutlineEntry> OpsInstance::Outline() const
{
    std::vector<const OpsSection*> inPages;
    for (const OpsSection& section : sections) {
        if (section.startPage >= 1 && section.startPage <= pageCount)
            inPages.push_back(&section);
    }
    std::stable_sort(inPages.begin(), inPages.end(), [](const OpsSection* a, const OpsSection* b) {
        if (a->startPage != b->startPage)
            return a->startPage < b->startPage;
        return RankOf(a->name) < RankOf(b->name);
    });
    std::vector<OpsOutlineEntry> outline;
    for (const OpsSection* section : inPages)
        outline.push_back({TitleOf(section->name), section->startPage});
    return outline;
}

bool OpsInquiry::Parse(const std::string& xml, wxString& error)
{
    results.clear();
    wxXmlDocument document;
    const wxXmlNode* inquiry = nullptr;
    if (OpsXml::Load(xml, document) && OpsXml::Is(document.GetRoot(), "world-patent-data"))
        inquiry = OpsXml::Child(document.GetRoot(), "document-inquiry");
    if (inquiry == nullptr) {
        error = "EPO OPS inquiry answer unreadable";
        return false;
    }
    for (const wxXmlNode* node : OpsXml::Children(inquiry, "inquiry-result")) {
        OpsInquiryResult result;
        ReadPublication(node, result);
        ReadInstances(node, result);
        results.push_back(std::move(result));
    }
    error.clear();
    return true;
}

const OpsInstance* OpsInquiry::Choose(const wxString& kind) const
{
    const OpsInstance* chosen = nullptr;
    Preference best;
    for (const OpsInquiryResult& result : results) {
        if (!kind.empty() && !result.kind.IsSameAs(kind, false))
            continue;
        const OpsInstance* full = FullDocumentOf(result);
        if (full == nullptr)
            continue;
        // A typed kind names one publication: its largest image set counts.
        const Preference preference = kind.empty() ? PreferenceOf(result) : Preference();
        const bool better = chosen == nullptr || best < preference ||
                            (!(preference < best) && full->pageCount > chosen->pageCount);
        if (better) {
            chosen = full;
            best = preference;
        }
    }
    return chosen;
}
