#include "help/AboutBox.h"

#include "help/PageDialog.h"
#include "update/Version.h"

#include <wx/version.h>

namespace {

struct Library
{
    const char* name;
    const char* address;
    const char* licence;
    const char* use;
};

const Library libraries[] = {
    {"wxWidgets " wxVERSION_NUM_DOT_STRING, "https://www.wxwidgets.org/", "wxWindows Library Licence",
     "the window, settings, threads; its regular-expression library is Henry Spencer's"},
    {"GTK 3", "https://www.gtk.org/", "GNU LGPL 2.1 or later", "the window on Linux"},
    {"libcurl", "https://curl.se/libcurl/", "curl licence (MIT style)", "HTTP and HTTPS"},
    {"qpdf", "https://qpdf.sourceforge.io/", "Apache License 2.0", "reading the offices' PDFs"},
    {"JSON for Modern C++", "https://github.com/nlohmann/json", "MIT licence", "Patent Public Search's answers"},
    {"Expat", "https://libexpat.github.io/", "MIT licence", "EPO OPS answers"},
    {"Tesseract", "https://github.com/tesseract-ocr/tesseract", "Apache License 2.0",
     "OCR in folioharvester-cli ocr"},
    {"Leptonica", "http://www.leptonica.org/", "BSD 2-clause licence", "page images for OCR"},
};

const char* const projectAddress = FH_PROJECT_ADDRESS;

wxString LibraryTable()
{
    wxString html = "<table cellpadding=\"3\" border=\"0\">"
                    "<tr><td><b>Library</b></td><td><b>Licence</b></td><td><b>Used for</b></td></tr>";
    for (const Library& library : libraries)
        html << "<tr><td><a href=\"" << library.address << "\">" << library.name << "</a></td><td>"
             << library.licence << "</td><td>" << library.use << "</td></tr>";
    return html + "</table>";
}

}  // namespace

wxString BuildAboutPage()
{
    wxString html;
    html << "<p><center><H2>FolioHarvester</H2>Version " << versionText
         << "<br>Downloads patent documents into one PDF each.<br><a href=\"" << projectAddress << "\">"
         << projectAddress << "</a></center></p><p>FolioHarvester is built on these libraries, each "
         << "under its own licence:</p>" << LibraryTable();
    return html;
}

void ShowAboutDialog(wxWindow* parent)
{
    ShowPageDialog(parent, "About FolioHarvester", wxSize(660, 640), BuildAboutPage());
}
