#pragma once

#include <wx/string.h>

#include <string>
#include <vector>

// One ops:document-section of an instance: where a part of the document begins.
struct OpsSection
{
    wxString name;  // as OPS names it: "CLAIMS", "SEARCH_REPORT", ...
    unsigned startPage = 0;
};

// An outline entry of the PDF: a title and its 1-based page.
struct OpsOutlineEntry
{
    wxString title;
    unsigned page = 0;
};

// One ops:document-instance: an image set of the publication.
struct OpsInstance
{
    wxString desc;  // "FullDocument", "Drawing", "FirstPageClipping", ...
    wxString link;  // relative path of the pages, used as given
    unsigned pageCount = 0;
    std::vector<OpsSection> sections;

    // The sections as outline entries, by page and, on one page, in the
    // order Bibliography, Abstract, Description, Claims, Drawings, Search
    // report, then any other; sections outside the pages are left out.
    std::vector<OpsOutlineEntry> Outline() const;
};

// One ops:inquiry-result: a publication (one kind) and its image sets.
struct OpsInquiryResult
{
    wxString country;
    wxString number;
    wxString kind;
    std::vector<OpsInstance> instances;  // in answer order
};

// The answer to an image inquiry (published-data/publication/.../images).
class OpsInquiry
{
public:
    // False with a one-line `error` when the body is no inquiry answer. An
    // instance without a usable link or page count is left out.
    bool Parse(const std::string& xml, wxString& error);

    const std::vector<OpsInquiryResult>& Results() const { return results; }

    // The image set to fetch: the FullDocument instance with the most pages
    // (the first among equals) of the result of `kind` when one is given.
    // Without a kind, of the granted publication when there is one (the
    // newest B; a US patent before 2001 is its A), else of the application
    // (the A with the most pages), else of any kind. nullptr when there is
    // none.
    const OpsInstance* Choose(const wxString& kind = wxString()) const;

private:
    std::vector<OpsInquiryResult> results;
};
