#include "numbers/FormatHelp.h"

const char* const opsPortalAddress = "https://developers.epo.org";

const char* const opsKeySteps =
    "The OPS key is free: register at the EPO developer portal (developers.epo.org), open \"My Apps\", "
    "add an app, and copy its key and secret into File > Setup > Services.";

const std::vector<FormatGroup>& FormatGroups()
{
    static const std::vector<FormatGroup> groups = {
        {"US_documents", "US patents and application publications",
         "from the USPTO's Patent Public Search, no key needed",
         {{"5,123,456", "utility patent (also as cited: US 6,103,599 B1)"},
          {"D0365123", "design patent"},
          {"PP012835", "plant patent"},
          {"RE035136", "reissue patent"},
          {"20020000051", "application publication, 11 digits"}},
         nullptr},
        {"Older_US_series", "Older US series", "tried on Patent Public Search as typed",
         {{"X0000001", "X-patent, before 1836"},
          {"H0001520", "statutory invention registration"},
          {"T0106201", "defensive publication"},
          {"AI000318", "additional improvement"}},
         "Patent Public Search may not hold every one of them."},
        {"US_serial_numbers", "US serial numbers", "on the classic route only",
         {{"9/836917", "application by serial number, with the '/'"}},
         "Today's services take an application by its publication number: enter that instead."},
        {"EP_documents", "EP documents",
         "from the EPO publication server, no key needed (from EPO OPS once a key is set)",
         {{"EP2219563", "the grant, or the application before it"},
          {"EP2219563B1", "a chosen kind, also written EP2219563.B1"}},
         nullptr},
        {"WO_and_other_offices", "WO and other offices", "from EPO Open Patent Services, with a free OPS key",
         {{"WO2004/012345", "international application"},
          {"DE10100001", "another office: its two-letter code and the number"}},
         opsKeySteps},
    };
    return groups;
}

namespace {

wxString JoinFormatHelpLines()
{
    wxString text = "Type a number and press Enter or Download; commas and blanks are ignored.";
    for (const FormatGroup& group : FormatGroups()) {
        text << "\n\n" << group.title << ", " << group.source << ":";
        for (const FormatGroup::Example& example : group.examples)
            text << "\n    " << example.number << "  -  " << example.what;
        if (group.note)
            text << "\n" << group.note;
    }
    return text;
}

}  // namespace

const wxString& FormatHelpText()
{
    static const wxString text = JoinFormatHelpLines();
    return text;
}

wxString UnknownFormatMessage(const wxString& entryText)
{
    return "\"" + entryText + "\" -- Unknown Format\n\n\n" + FormatHelpText();
}
