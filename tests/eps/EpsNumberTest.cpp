#include "services/eps/EpsNumber.h"

#include "numbers/Classification.h"

#include <gtest/gtest.h>

namespace {

TEST(EpsNumber, EpEntriesBecomeTheSevenDigitNumberAndTheTypedKind)
{
    const struct
    {
        const char* entry;
        const char* number;  // empty: not an EP number the server names
        const char* kind;
    } cases[] = {
        {"EP2219563", "EP2219563", ""},      {"ep2219563b1", "EP2219563", "B1"},
        {"EP2219563.B1", "EP2219563", "B1"}, {"EP 1 000 000", "EP1000000", ""},
        {"EP729353", "EP0729353", ""},       {"EP00729353A2", "EP0729353", "A2"},
        {"EP12345678", "", ""},              {"EP0", "", ""},
        {"EP2219563A", "", ""},              {"EP2219563C1", "", ""},
        {"EP2219563B12", "", ""},            {"DE10100001", "", ""},
        {"WO2004/012345", "", ""},           {"XEP2219563", "", ""},
        {"EP", "", ""},                      {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const std::optional<EpsNumber> number = EpsNumber::FromEntry(Classify(c.entry).number);
        EXPECT_EQ(number ? number->number : wxString(), wxString(c.number));
        EXPECT_EQ(number ? number->kind : wxString(), wxString(c.kind));
    }
    EXPECT_EQ((EpsNumber{"EP0729353", ""}.DocumentId("B2")), "EP0729353NWB2");
}

}  // namespace
