#include "services/ppubs/PpubsNumber.h"

#include <gtest/gtest.h>

namespace {

TEST(PpubsNumber, UsNumbersBecomeTheDirectPdfNumberAndItsSearch)
{
    const struct
    {
        const char* entry;
        const char* n;  // empty: no N
    } cases[] = {
        {"6103599", "6103599"},         {"06103599", "6103599"},   {"10493327", "10493327"},
        {"D1049406", "D1049406"},       {"d0365123", "D365123"},   {"PP032577", "PP32577"},
        {"RE042516", "RE42516"},        {"20170329973", "20170329973"}, {"H0001520", "H1520"},
        {"9/836917", ""},               {"", ""},                  {"+5", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const std::optional<PpubsNumber> number = PpubsNumber::FromEntry(c.entry);
        EXPECT_EQ(number ? number->n : wxString(), wxString(c.n));
    }
    EXPECT_EQ(PpubsNumber{"6103599"}.Query(), "(\"6103599\").pn.");
}

}  // namespace
