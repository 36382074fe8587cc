#include "services/ops/OpsNumber.h"

#include <gtest/gtest.h>

namespace {

TEST(OpsNumber, MapsEntriesToTheEpodocForm)
{
    struct Case
    {
        bool us;
        const char* number;
        const char* epodoc;  // nullptr: no OPS form
        const char* kind;
    } const cases[] = {
        // Other offices: as typed, the typed kind kept; WO without its "/".
        {false, "EP2219563", "EP2219563", ""},
        {false, "EP2219563B1", "EP2219563.B1", "B1"},
        {false, "EP2219563.B1", "EP2219563.B1", "B1"},
        {false, "ep2219563a", "EP2219563.A", "A"},
        {false, "WO2004/012345", "WO2004012345", ""},
        {false, "WO2004/12345", "WO2004012345", ""},
        {false, "wo2004/012345A1", "WO2004012345.A1", "A1"},
        {false, "WO98/12345", "WO9812345", ""},
        // WO of 2002 and 2003: a two-digit year and six digits.
        {false, "WO02/051231", "WO02051231", ""},
        {false, "WO03/107732A1", "WO03107732.A1", "A1"},
        {false, "WO02/51231", "WO02051231", ""},
        {false, "WO2002/051231", "WO02051231", ""},
        {false, "WO2003107732", "WO03107732", ""},
        {false, "WO1998/12345", "WO9812345", ""},
        // EP numbers have seven digits.
        {false, "EP729353", "EP0729353", ""},
        {false, "ep729353b1", "EP0729353.B1", "B1"},
        {false, "EP1", "EP0000001", ""},
        {false, "JPH07123456A", "JPH07123456.A", "A"},
        {false, "DE102004012345", "DE102004012345", ""},
        {false, "US6123456", "US6123456", ""},
        // Nothing that could leave the request path, no shape OPS knows.
        {false, "xxEP123?a=b", nullptr, ""},
        {false, "EP123/45", nullptr, ""},
        {false, "WO2004/1234567", nullptr, ""},
        {false, "WO02/1234567", nullptr, ""},
        {false, "WO98/123456", nullptr, ""},
        {false, "EP2219563.B12", nullptr, ""},
        {false, "EP", nullptr, ""},
        {false, "", nullptr, ""},
        // US documents: "US" and the short number of the US rules.
        {true, "5123456", "US5123456", ""},
        {true, "0005123456", "US5123456", ""},
        {true, "d365123", "USD365123", ""},
        {true, "RE035136", "USRE35136", ""},
        {true, "PP012835", "USPP12835", ""},
        // An application publication: the year and six digits.
        {true, "20020000051", "US2002000051", ""},
        {true, "20130311929", "US2013311929", ""},
        {true, "H0001520", "USH1520", ""},
        {true, "T0106201", "UST106201", ""},
        {true, "X0000001", "USX1", ""},
        {true, "AI000318", "USAI318", ""},
        // Serial numbers name no publication; these shapes name nothing.
        {true, "9/836917", nullptr, ""},
        {true, "10\\012345", nullptr, ""},
        {true, "HELLO", nullptr, ""},
        {true, "+5", nullptr, ""},
        {true, "", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        const auto ops = OpsNumber::FromEntry(c.number, c.us);
        ASSERT_EQ(c.epodoc != nullptr, ops.has_value());
        EXPECT_EQ(wxString(c.epodoc ? c.epodoc : ""), ops ? ops->epodoc : wxString());
        EXPECT_EQ(wxString(c.kind), ops ? ops->kind : wxString());
    }
}

}  // namespace
