#include "numbers/UsNumber.h"

#include <gtest/gtest.h>

namespace {

struct UsCase
{
    const char* number;
    const char* docId;
    const char* normalized;
    const char* query;
};

void ExpectNormalized(const std::vector<UsCase>& cases)
{
    for (const UsCase& c : cases) {
        SCOPED_TRACE(std::string("number \"") + c.number + "\"");
        const UsNumber us = NormalizeUsNumber(c.number);
        EXPECT_EQ(wxString(c.docId), us.docId);
        EXPECT_EQ(wxString(c.normalized), us.number);
        EXPECT_EQ(wxString(c.query), us.query);
        EXPECT_EQ(*c.query != '\0', us.IsSerial());
    }
}

TEST(NormalizeUsNumber, DigitsLoseLeadingZeros)
{
    ExpectNormalized({
        {"5123456", "5123456", "5123456", ""},
        {"0005123456", "5123456", "5123456", ""},
        {"20020000001", "20020000001", "20020000001", ""},
        {"99999999999999999999999", "99999999999999999999999", "99999999999999999999999", ""},
        {"000", "", "", ""},
        {"", "", "", ""},
        // A sign is part of the text, so the zeros after it are not leading.
        {"+5", "+5", "+5", ""},
        {"-05", "-05", "-05", ""},
    });
}

TEST(NormalizeUsNumber, SingleLetterSeriesPadToSevenDigits)
{
    ExpectNormalized({
        {"D0365123", "D0365123", "D365123", ""},
        {"d365123", "D0365123", "D365123", ""},
        {"X0000001", "X0000001", "X1", ""},
        {"x1", "X0000001", "X1", ""},
        {"T0106201", "T0106201", "T106201", ""},
        {"H0001520", "H0001520", "H1520", ""},
        {"D12345678", "D12345678", "D12345678", ""},
        {"D+5", "D0000005", "D5", ""},
        {"D\t5", "D0000005", "D5", ""},
        {"D12abc", "D0000012", "D12", ""},
        {"D99999999999", "D4294967295", "D4294967295", ""},  // 32-bit strtoul overflow
    });
}

TEST(NormalizeUsNumber, TwoLetterSeriesPadToSixDigits)
{
    ExpectNormalized({
        {"PP012835", "PP012835", "PP12835", ""},
        {"pp12835", "PP012835", "PP12835", ""},
        {"RE035136", "RE035136", "RE35136", ""},
        {"re35136", "RE035136", "RE35136", ""},
        {"RX035136", "RE035136", "RE35136", ""},  // the second letter is not read
        {"AI000318", "AI000318", "AI318", ""},
        {"ai318", "AI000318", "AI318", ""},
        {"PP1234567", "PP1234567", "PP1234567", ""},
    });
}

TEST(NormalizeUsNumber, LettersWithoutUsableNumberGiveNoId)
{
    ExpectNormalized({
        {"DE102004012345", "", "DE102004012345", ""},
        {"HELLO", "", "HELLO", ""},
        {"D0", "", "D0", ""},
        {"D", "", "D", ""},
        {"X0000000", "", "X0000000", ""},
        {"R", "", "R", ""},
        {"RE", "", "RE", ""},
        {"RE0", "", "RE0", ""},
        {"P5", "", "P5", ""},  // the digit is the unread second character
        {"AI", "", "AI", ""},
        {"E123", "", "E123", ""},
        {"US6123456", "", "US6123456", ""},
    });
}

TEST(NormalizeUsNumber, SerialNumbersGiveQueryWithoutLeadingZeros)
{
    ExpectNormalized({
        {"9/836917", "", "9-836917", "9/836917"},
        {"09/836917", "", "9-836917", "9/836917"},
        {"10/012345", "", "10-12345", "10/12345"},
        {"10\\123456", "", "10-123456", "10/123456"},
        {"2004/0123456", "", "2004-123456", "2004/123456"},
        {"9/", "", "9-0", "9/0"},
        {"/5", "", "0-5", "0/5"},
        {"+9/836917", "", "9-836917", "9/836917"},
        {"9/+836917", "", "9-836917", "9/836917"},
        {"99999999999/1", "", "4294967295-1", "4294967295/1"},  // unsigned 32-bit, clamped
        {"9/99999999999999999999", "", "9-4294967295", "9/4294967295"},
    });
}

TEST(NormalizeUsNumber, OtherShapesGiveNoId)
{
    ExpectNormalized({
        {"12a", "", "12a", ""},
        {"1.5", "", "1.5", ""},
        {"9/83/6", "", "9/83/6", ""},
        {"9\\83/6", "", "9\\83/6", ""},
        {"9/8a", "", "9/8a", ""},
        {"--9/5", "", "--9/5", ""},
        {"../../etc", "", "../../etc", ""},
        {"\t5", "", "\t5", ""},
    });
}

TEST(NormalizeUsNumber, NoResultNamesAFileOutsideTheSaveFolder)
{
    for (const char* text : {"9/5", "10\\..\\5", "+9/-5", "-9/5", "D/5", "RE/..", "../5", "5/..",
                             "X..", "-/-", "/", "\\"}) {
        SCOPED_TRACE(text);
        const UsNumber us = NormalizeUsNumber(text);
        if (us.docId.empty() && !us.IsSerial())
            continue;
        EXPECT_EQ(wxString::npos, us.number.find('/'));
        EXPECT_EQ(wxString::npos, us.number.find('\\'));
        EXPECT_EQ(wxString::npos, us.number.find(".."));
    }
}

TEST(StripLeadingZeros, RemovesOnlyLeadingZeros)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"", ""}, {"0", ""}, {"000", ""}, {"0012", "12"}, {"120", "120"}, {"a0", "a0"}, {"0a0", "a0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(wxString(c.second), StripLeadingZeros(c.first));
    }
}

}  // namespace
