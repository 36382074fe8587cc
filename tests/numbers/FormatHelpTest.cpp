#include "numbers/FormatHelp.h"

#include <wx/arrstr.h>

#include <gtest/gtest.h>

namespace {

TEST(FormatHelp, TwentyOneLinesWithoutTrailingLineFeed)
{
    const wxString& text = FormatHelpText();
    const wxArrayString lines = wxSplit(text, '\n', '\0');
    ASSERT_EQ(21u, lines.size());
    EXPECT_FALSE(text.EndsWith("\n"));
    EXPECT_EQ("Enter in a U.S. Patent number, publication number, or serial number (with '/') ",
              lines[0]);
    for (size_t empty : {4u, 17u, 19u})
        EXPECT_TRUE(lines[empty].empty()) << "line " << empty + 1;
    EXPECT_EQ("Examples:", lines[5]);
    EXPECT_EQ("5123456 \t \t(utility patent)", lines[9]);
    EXPECT_EQ("X0000001  \t(X-patent, pre-1836)", lines[10]);
    EXPECT_EQ("EP2219563\tPCT Patent EP2219563  (use two digit country codes)", lines[18]);
    EXPECT_EQ("EP2219563.B1\tPCT Patent EP2219563 (B1)", lines[20]);
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
