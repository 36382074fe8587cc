#include "help/HelpPage.h"

#include "help/HtmlWindow.h"
#include "update/Version.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/statline.h>

#include <vector>

namespace {

struct HelpSection
{
    const char* anchor;
    const char* contentsText;
    const char* title;
    const char* lines;  // HTML, lines joined by <br>
    std::vector<const char*> examples;
};

const std::vector<HelpSection>& HelpSections()
{
    static const std::vector<HelpSection> sections = {
        {"General_Usage_", "General Usage", "General Usage",
         "Type a U.S. patent number, U.S. publication number, U.S. serial number (with '/') or "
         "PCT application number into the text box and press the download button.<br>"
         "Commas are ignored.",
         {}},
        {"U.S._Publication_", "U.S. Publication", "U.S. Publication",
         "Publication numbers must be 11 characters.", {"20020000001"}},
        {"U.S._Utility_Patent_by_patent_number_", "U.S. Utility by patent number",
         "U.S. Utility Patent by patent number", nullptr, {"5123456", "5,123,456"}},
        {"U.S._Utility_Patent_by_serial_number_", "U.S. Utility by serial number",
         "U.S. Utility Patent by serial number",
         "Serial numbers must be for applications filed on or after March 15 2001 and must "
         "include the '/'.",
         {"9/836917", "09/836917", "09/836,917"}},
        {"U.S._X_Patent_(pre-1836)_", "U.S. X Patent (pre-1836)", "U.S. X Patent (pre-1836)",
         "X-patents were issued before 1836.", {"X0000001"}},
        {"U.S._Design_Patent_", "U.S. Design Patent", "U.S. Design Patent", nullptr, {"D0365123"}},
        {"U.S._Plant_Patent_", "U.S. Plant Patent", "U.S. Plant Patent", nullptr, {"PP012835"}},
        {"U.S._Reissue_Patent", "U.S. Reissue Patent", "U.S. Reissue Patent", nullptr,
         {"RE035136"}},
        {"U.S._Defensive_Publication_", "U.S. Defensive Publication", "U.S. Defensive Publication",
         nullptr, {"T0106201"}},
        {"U.S._Statutory_Registration_", "U.S. Statutory Registration",
         "U.S. Statutory Registration", nullptr, {"H0001520"}},
        {"U.S._Additional_Improvement_", "U.S. Additional Improvement",
         "U.S. Additional Improvement", nullptr, {"AI000318"}},
        {"PCT_Patent_by_patent_application_number_", "PCT Patent by patent application number",
         "PCT Patent by patent application number",
         "Use two-digit country codes.  To ask for a particular kind of document, append a point "
         "and the kind code.",
         {"EP2219563", "EP2219563.B1"}},
    };
    return sections;
}

const char* const publisherLine = "An open-source program by the FolioHarvester developers";

const char* const termsText =
    "FolioHarvester is free, open-source software and comes with no warranty of any kind: "
    "use it at your own risk.  The documents it downloads come from the public web services of "
    "the patent offices (the <a href=\"https://www.uspto.gov/\">USPTO</a> and the "
    "<a href=\"https://www.epo.org/\">European Patent Office</a>); FolioHarvester has no part in "
    "those services and cannot promise that they are available, complete or correct.  You are "
    "responsible for respecting each office's terms of use, including its limits on automated "
    "and bulk downloading.";

const char* const creditsSentence =
    "FolioHarvester is built on <a href=\"https://www.wxwidgets.org/\">wxWidgets</a>, including "
    "its regular-expression library by Henry Spencer, and on "
    "<a href=\"https://curl.se/libcurl/\">libcurl</a>.";

// Closes the header's centring first so the sections below stay left-aligned.
wxString TableOfContents()
{
    wxString html = "</center></p><p><center><a name=\"Table_of_Contents\"><font size=\"4\">"
                    "<b>Table of Contents</b></font></a><br>";
    for (const HelpSection& section : HelpSections())
        html << "<a href=\"#" << section.anchor << "\">" << section.contentsText << "</a><br>";
    html << "<a href=\"#terms\">Terms and Conditions</a></center></p>";
    return html;
}

wxString SectionHtml(const HelpSection& section, bool italicTitle)
{
    wxString title = wxString("<b>") + section.title + "</b>";
    if (italicTitle)
        title = "<i>" + title + "</i>";
    wxString html;
    html << "<p align=\"left\"><a name=\"" << section.anchor << "\">" << title << "</a><br>";
    if (section.lines)
        html << section.lines << "<br>";
    for (const char* example : section.examples)
        html << "Example:&nbsp; " << example << "<br>";
    html << "<a href=\"#Table_of_Contents\">Back to Table of Contents</a></p>";
    return html;
}

// The usage help: contents, then one section per kind of number.
wxString HelpPageBody()
{
    wxString html = TableOfContents();
    html << "<p><center><font size=\"4\"><b>Usage</b></font></center></p>";
    const std::vector<HelpSection>& sections = HelpSections();
    for (size_t i = 0; i < sections.size(); ++i)
        html << SectionHtml(sections[i], i < 4);
    return html;
}

}  // namespace

wxString BuildHelpPage()
{
    wxString html;
    html << "<p><center><H1>FolioHarvester</H1><br>" << publisherLine << "<br><i>Version "
         << versionText << wxString::Format("</i>&nbsp;&nbsp;(%s)<br>", __DATE__)
         << HelpPageBody()
         << "<p align=\"left\"><center><a name=\"terms\"><b>Terms and Conditions</b></a></center>"
         << termsText << "</p><p align=\"left\"><br><center><b>Credits</b></center><br>"
         << creditsSentence
         << "<br><a href=\"#Table_of_Contents\">Back to Table of Contents</a></p>";
    return html;
}

void ShowHelpDialog(wxWindow* parent)
{
    wxDialog dialog(parent, wxID_ANY, "FolioHarvester Help", wxDefaultPosition, wxSize(800, 500),
                    wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* html = new HtmlWindow(&dialog, wxDefaultSize, "htmlWindow");
    html->SetPage(BuildHelpPage());
    sizer->Add(html, 1, wxEXPAND | wxALL, 10);
    sizer->Add(new wxStaticLine(&dialog, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLI_HORIZONTAL),
               0, wxEXPAND | wxLEFT | wxRIGHT, 10);
    auto* ok = new wxButton(&dialog, wxID_OK, "OK");
    ok->SetDefault();
    sizer->Add(ok, 0, wxALL | wxALIGN_RIGHT, 15);
    dialog.SetSizer(sizer);
    dialog.ShowModal();
}
