#include "app/JobEntry.h"

#include <gtest/gtest.h>

namespace {

struct EntryCase
{
    const char* text;
    bool valid;
    int kind;  // only looked at when valid
    const char* number;
};

void ExpectEntries(const std::vector<EntryCase>& cases)
{
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(std::string("entry \"") + c.text + "\"");
        const JobEntry entry(wxString::FromUTF8(c.text));
        EXPECT_EQ(c.valid, entry.valid);
        if (c.valid) {
            EXPECT_EQ(c.kind, entry.kind);
        }
        EXPECT_EQ(wxString::FromUTF8(c.number), entry.number);
        EXPECT_FALSE(entry.finished);
        EXPECT_TRUE(entry.pdfPath.empty());
        EXPECT_EQ(0u, entry.ticket);
    }
}

constexpr int us = JobEntry::usDocument;
constexpr int other = JobEntry::otherOffice;

TEST(JobEntry, LeadingIntegerMakesUsWhenTheUsRulesTakeTheNumber)
{
    ExpectEntries({
        {"5,123,456", true, us, "5123456"},
        {"0005123456", true, us, "0005123456"},
        {"20020000001", true, us, "20020000001"},
        {"12a", false, 0, "12a"},
        {"1EP2219563", false, 0, "1EP2219563"},
        {"-5", true, us, "-5"},
        {"+7", true, us, "+7"},
        {"\t5", false, 0, "\t5"},
        // overflow clamps to LONG_MAX / LONG_MIN, which are not 0
        {"99999999999999999999999999", true, us, "99999999999999999999999999"},
        {"-99999999999999999999999999", true, us, "-99999999999999999999999999"},
        {"18446744073709551616", true, us, "18446744073709551616"},
    });
}

TEST(JobEntry, SlashOrBackslashMakesUs)
{
    ExpectEntries({
        {"9/836917", true, us, "9/836917"},
        {"09/836,917", true, us, "09/836917"},
        {"10\\123456", true, us, "10\\123456"},
        {"2004/0123456", true, us, "2004/0123456"},
        {"0/5", true, us, "0/5"},
        {"/", true, us, "/"},
        {"EP/1", false, 0, "EP/1"},
        {"EP\\1", false, 0, "EP\\1"},
    });
}

TEST(JobEntry, UsLetterPrefixesInAnyCase)
{
    ExpectEntries({
        {"D0365123", true, us, "D0365123"},
        {"d365123", true, us, "d365123"},
        {"X0000001", true, us, "X0000001"},
        {"T0106201", true, us, "T0106201"},
        {"H0001520", true, us, "H0001520"},
        {"PP012835", true, us, "PP012835"},
        {"pp012835", true, us, "pp012835"},
        {"RE035136", true, us, "RE035136"},
        {"Re035136", true, us, "Re035136"},
        {"AI000318", true, us, "AI000318"},
        {"aI000318", true, us, "aI000318"},
        {"US6123456", true, us, "6123456"},  // a US number as cited, given to the job bare
        {"HELLO", false, 0, "HELLO"},
        {"D0", false, 0, "D0"},
        {"X", false, 0, "X"},
    });
}

TEST(JobEntry, TwoLettersAndDigitsAnywhereMakeOtherOffice)
{
    ExpectEntries({
        {"EP2219563", true, other, "EP2219563"},
        {"ep 2 219 563", true, other, "ep2219563"},
        {"EP2219563.B1", true, other, "EP2219563.B1"},
        {"WO2004012345A1", true, other, "WO2004012345A1"},
        {"0EP12", true, other, "0EP12"},       // not anchored at the start
        {"ZZZ12", true, other, "ZZZ12"},
        {"E-EP1", true, other, "E-EP1"},
        {"-0GB7", true, other, "-0GB7"},
        // A country code and a digit that the US rules make no id of.
        {"DE102004012345", true, other, "DE102004012345"},
        {"TW200812345", true, other, "TW200812345"},
        {"WO2004/012345", true, other, "WO2004/012345"},
    });
}

TEST(JobEntry, UnknownShapesAreNotValid)
{
    ExpectEntries({
        {"ABC", false, 0, "ABC"},
        {"0", false, 0, "0"},
        {"000", false, 0, "000"},
        {"-0", false, 0, "-0"},
        {"+000", false, 0, "+000"},
        {"E1", false, 0, "E1"},
        {"AB", false, 0, "AB"},
        {"1.5", false, 0, "1.5"},
        {"0.5", false, 0, "0.5"},
        {"ÄÖ12", false, 0, "ÄÖ12"},
        {"%s%n", false, 0, "%s%n"},
    });
}

TEST(JobEntry, OnlyCommasAndBlanksIsFinishedAndNotValid)
{
    for (const char* text : {"", ",", " ", ", , ,,  ,"}) {
        SCOPED_TRACE(std::string("entry \"") + text + "\"");
        const JobEntry entry(text);
        EXPECT_FALSE(entry.valid);
        EXPECT_TRUE(entry.finished);
        EXPECT_TRUE(entry.number.empty());
    }
}

}  // namespace
