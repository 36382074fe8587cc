#pragma once

#include <string>

// What an HTML answer of the publication server says. wxBase has no HTML
// reader, so a small tag scanner reads it: start tags with their attributes
// and div end tags; comments, declarations and the text of script and style
// elements are skipped. Time and memory grow linearly with the answer, which
// the caller caps.
struct EpsPage
{
    bool blocked = false;  // the fair-use block page
    // Names WIPO or PATENTSCOPE and has no toolbar link: a Euro-PCT
    // application that only WIPO published.
    bool wipo = false;
    std::string woNumber;  // the first WO number the page names ("WO2012153305"); empty when none
    // The link of the page's toolbar (div.epoToolBar; its first link ending
    // ".pdf", else its first link), else the page's first link ending ".pdf";
    // empty for a WIPO page or when there is none. Character references of
    // "&" are decoded.
    std::string pdfLink;

    static EpsPage Read(const std::string& html);
};
