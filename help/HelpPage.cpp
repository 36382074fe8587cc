#include "help/HelpPage.h"

#include "help/HtmlWindow.h"
#include "help/PageDialog.h"
#include "numbers/FormatHelp.h"
#include "update/Version.h"

namespace {

// A section of the help page beside those of the number forms.
struct HelpSection
{
    const char* anchor;
    const char* title;
    const char* html;
};

const HelpSection generalUsage = {
    "General_Usage_", "General Usage",
    "Type a patent or publication number into the text box and press Enter or the Download button; "
    "commas and blanks are ignored.  Each document is saved as one PDF in the save folder (File &gt; "
    "Setup &gt; Directory Locations).  Hold the mouse over a row, or select it, to read its whole status."};

const HelpSection gettingAKey = {
    "Getting_an_OPS_key_", "Getting an EPO OPS key",
    "WO documents and those of other offices come from the EPO's Open Patent Services, which needs a "
    "free key.  Register at the <a href=\"https://developers.epo.org\">EPO developer portal "
    "(developers.epo.org)</a>, open \"My Apps\", add an app, and copy its Consumer Key and Consumer "
    "Secret into File &gt; Setup &gt; Services (or set the environment variables FOLIOHARVESTER_OPS_KEY "
    "and FOLIOHARVESTER_OPS_SECRET).  The free tier allows about 4 GB a week.  The Services page's Test "
    "button says whether the key works."};

const HelpSection routes = {
    "Routes_", "Where documents come from",
    "File &gt; Setup &gt; Services chooses the service for each kind of document:<br>"
    "US documents: USPTO Patent Public Search (no key; the default), EPO OPS, or the classic route "
    "(the original USPTO servers, which take serial numbers).<br>"
    "EP documents: the EPO publication server (no key), or EPO OPS; by default OPS when a key is set, "
    "else the publication server.<br>"
    "WO and other offices: EPO OPS (the default), or the classic route.<br>"
    "An unknown value in the settings file is reported when the program starts, and the default is "
    "used."};

wxString Link(const char* anchor, const char* text)
{
    return wxString("<a href=\"#") + anchor + "\">" + text + "</a><br>";
}

// Closes the header's centring first so the sections below stay left-aligned.
wxString TableOfContents()
{
    wxString html = "</center></p><p><center><a name=\"Table_of_Contents\"><font size=\"4\">"
                    "<b>Table of Contents</b></font></a><br>";
    html << Link(generalUsage.anchor, generalUsage.title);
    for (const FormatGroup& group : FormatGroups())
        html << Link(group.anchor, group.title);
    html << Link(gettingAKey.anchor, gettingAKey.title) << Link(routes.anchor, routes.title);
    html << "<a href=\"#terms\">Terms and Conditions</a></center></p>";
    return html;
}

wxString SectionHead(const char* anchor, const char* title)
{
    return wxString("<p align=\"left\"><a name=\"") + anchor + "\"><b>" + title + "</b></a><br>";
}

const char* const wayBack = "<a href=\"#Table_of_Contents\">Back to Table of Contents</a></p>";

wxString SectionHtml(const HelpSection& section)
{
    return SectionHead(section.anchor, section.title) + section.html + "<br>" + wayBack;
}

wxString SectionHtml(const FormatGroup& group)
{
    wxString html = SectionHead(group.anchor, group.title);
    wxString source = group.source;
    source[0] = wxToupper(source[0]);
    html << EscapedHtml(source) << ".<br>";
    for (const FormatGroup::Example& example : group.examples)
        html << "Example:&nbsp; " << example.number << "&nbsp;&nbsp; " << EscapedHtml(example.what) << "<br>";
    if (group.note)
        html << EscapedHtml(group.note) << "<br>";
    return html + wayBack;
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
    "<a href=\"https://curl.se/libcurl/\">libcurl</a>, with others that Help &gt; About FolioHarvester "
    "lists with their licences.";

// The usage help: contents, then one section per kind of number, the key
// and the routes.
wxString HelpPageBody()
{
    wxString html = TableOfContents();
    html << "<p><center><font size=\"4\"><b>Usage</b></font></center></p>" << SectionHtml(generalUsage);
    for (const FormatGroup& group : FormatGroups())
        html << SectionHtml(group);
    html << SectionHtml(gettingAKey) << SectionHtml(routes);
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
    ShowPageDialog(parent, "FolioHarvester Help", wxSize(800, 500), BuildHelpPage());
}
