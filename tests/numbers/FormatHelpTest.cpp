#include "numbers/Classification.h"
#include "numbers/FormatHelp.h"

#include <gtest/gtest.h>

namespace {

// Every example the help offers is taken as typed, as a document of the
// office its group names, and the text says how to get the OPS key.
TEST(FormatHelp, EveryExampleIsAnEntryOfItsGroupsOffice)
{
    const wxString& text = FormatHelpText();
    for (const FormatGroup& group : FormatGroups()) {
        const bool usGroup = wxString(group.title).Contains("US");
        for (const FormatGroup::Example& example : group.examples) {
            SCOPED_TRACE(example.number);
            const Classification entry = Classify(example.number);
            EXPECT_EQ(entry.kind, usGroup ? Classification::us : Classification::other);
            EXPECT_TRUE(text.Contains(wxString("\n    ") + example.number + "  -  "));
        }
    }
    for (const char* needed : {"OPS key", "developers.epo.org", "\"My Apps\"", "File > Setup > Services",
                               "classic route only", "no key needed"})
        EXPECT_TRUE(text.Contains(needed)) << needed;
    EXPECT_FALSE(text.EndsWith("\n"));
}

TEST(FormatHelp, UnknownFormatQuotesTheEntryLiterally)
{
    for (const char* entry : {"ABC", "%s%d%n", "", "a\"b", "  ,0"}) {
        SCOPED_TRACE(entry);
        const wxString message = UnknownFormatMessage(entry);
        EXPECT_EQ("\"" + wxString(entry) + "\" -- Unknown Format\n\n\n" + FormatHelpText(), message);
    }
}

}  // namespace
