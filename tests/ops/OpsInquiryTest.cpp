#include "services/ops/OpsInquiry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

// The simulator's answer to the image inquiry of `number`, as served.
OpsInquiry Inquiry(const std::string& number)
{
    std::ifstream in(FH_TEST_DATA "/ops/inquiry-" + number + ".xml", std::ios::binary);
    std::ostringstream xml;
    xml << in.rdbuf();
    OpsInquiry inquiry;
    wxString error;
    EXPECT_TRUE(inquiry.Parse(xml.str(), error)) << number << ": " << error;
    return inquiry;
}

// An answer of one result holding one FullDocument instance, under the namespace prefix `p`.
std::string OneInstance(const std::string& pages, const std::string& link, const std::string& sections = "",
                        const std::string& p = "ops")
{
    return "<" + p + ":world-patent-data xmlns=\"http://www.epo.org/exchange\" xmlns:" + p +
           "=\"http://ops.epo.org\"><" + p + ":document-inquiry><" + p + ":inquiry-result><" + p +
           ":document-instance desc=\"FullDocument\" number-of-pages=\"" + pages + "\" link=\"" + link +
           "\">" + sections + "</" + p + ":document-instance></" + p + ":inquiry-result></" + p +
           ":document-inquiry></" + p + ":world-patent-data>";
}

// One publication of an answer: its kind and its FullDocument pages (0: a
// Drawing instance only).
struct Publication
{
    const char* kind;
    unsigned pages;
};

// An answer of `country` number 1 holding `publications` in order.
std::string Results(const std::string& country, const std::vector<Publication>& publications)
{
    std::string xml = "<ops:world-patent-data xmlns=\"http://www.epo.org/exchange\" "
                      "xmlns:ops=\"http://ops.epo.org\"><ops:document-inquiry>";
    for (const Publication& p : publications) {
        const std::string kind = p.kind;
        const std::string desc = p.pages ? "FullDocument" : "Drawing";
        xml += "<ops:inquiry-result><publication-reference><document-id document-id-type=\"docdb\"><country>" +
               country + "</country><doc-number>1</doc-number><kind>" + kind +
               "</kind></document-id></publication-reference><ops:document-instance desc=\"" + desc +
               "\" number-of-pages=\"" + std::to_string(p.pages ? p.pages : 1) +
               "\" link=\"published-data/images/" + country + "/1/" + kind + "/fullimage\"/></ops:inquiry-result>";
    }
    return xml + "</ops:document-inquiry></ops:world-patent-data>";
}

std::string OutlineText(const OpsInstance* instance)
{
    std::string text;
    for (const OpsOutlineEntry& entry : instance ? instance->Outline() : std::vector<OpsOutlineEntry>())
        text += entry.title.ToStdString() + " " + std::to_string(entry.page) + "; ";
    return text;
}

TEST(OpsInquiry, ReadsEveryResultOfTheAnswer)
{
    const OpsInquiry inquiry = Inquiry("EP2219563");
    ASSERT_EQ(3u, inquiry.Results().size());
    const OpsInquiryResult& a1 = inquiry.Results()[0];
    EXPECT_EQ("EP 2219563 A1 B1",
              a1.country + " " + a1.number + " " + a1.kind + " " + inquiry.Results()[2].kind);
    ASSERT_EQ(3u, a1.instances.size());
    EXPECT_EQ(
        "Drawing 3 published-data/images/EP/2219563/A1/thumbnail",
        wxString::Format("%s %u %s", a1.instances[1].desc, a1.instances[1].pageCount, a1.instances[1].link));
}

TEST(OpsInquiry, ChoosesTheFullDocument)
{
    struct Case
    {
        const char* number;
        const char* kind;
        const char* link;  // empty: none
    } const cases[] = {
        // Without a kind the grant wins over applications of as many pages or more.
        {"EP2219563", "", "published-data/images/EP/2219563/B1/fullimage"},
        {"EP2219563", "b1", "published-data/images/EP/2219563/B1/fullimage"},
        // A1 has a Drawing instance too: only FullDocument counts.
        {"EP2219563", "A1", "published-data/images/EP/2219563/A1/fullimage"},
        {"EP2219563", "C1", ""},
        {"EP1000000", "", "published-data/images/EP/1000000/A1/fullimage"},
        {"US6000051", "", "published-data/images/US/6000051/A/fullimage"},
        {"EP1234567", "", ""},
    };
    for (const Case& c : cases) {
        const OpsInquiry inquiry = Inquiry(c.number);
        const OpsInstance* chosen = inquiry.Choose(c.kind);
        EXPECT_EQ(wxString(c.link), chosen ? chosen->link : wxString()) << c.number << " " << c.kind;
    }
}

// A number typed without a kind: the grant, the newest first; else the
// largest application; else the largest of any kind.
TEST(OpsInquiry, WithoutAKindTheGrantIsChosen)
{
    struct Case
    {
        const char* country;
        std::vector<Publication> publications;
        const char* kind;  // of the chosen image set; empty: none
    } const cases[] = {
        {"EP", {{"A1", 30}, {"B1", 8}}, "B1"},
        {"EP", {{"B1", 10}, {"B2", 6}, {"A1", 30}}, "B2"},
        {"EP", {{"B1", 10}, {"B8", 1}}, "B1"},  // a corrected title page
        {"EP", {{"B1", 10}, {"B9", 12}}, "B9"},
        {"EP", {{"A1", 20}, {"A2", 25}, {"A3", 3}}, "A2"},
        {"EP", {{"A1", 20}, {"B1", 0}}, "A1"},  // the grant has no pages
        {"WO", {{"A3", 3}, {"A1", 20}}, "A1"},
        // A US patent before 2001 is kind A; its B1 is a reexamination certificate.
        {"US", {{"A", 10}, {"B1", 2}}, "A"},
        {"US", {{"B2", 10}, {"C1", 3}}, "B2"},
        {"US", {{"A1", 14}, {"A9", 15}}, "A9"},
        {"US", {{"X6", 1}, {"S", 2}}, "S"},
        {"US", {{"B1", 0}}, ""},
    };
    for (const Case& c : cases) {
        const std::string xml = Results(c.country, c.publications);
        SCOPED_TRACE(xml);
        OpsInquiry inquiry;
        wxString error;
        ASSERT_TRUE(inquiry.Parse(xml, error)) << error;
        const OpsInstance* chosen = inquiry.Choose();
        const std::string link = std::string("published-data/images/") + c.country + "/1/" + c.kind;
        EXPECT_EQ(*c.kind ? wxString(link + "/fullimage") : wxString(), chosen ? chosen->link : wxString());
    }
}

TEST(OpsInquiry, SectionsBecomeAnOutlineInPageOrder)
{
    EXPECT_EQ("Bibliography 1; Abstract 1; Description 2; Claims 3; Drawings 5; Search report 11; ",
              OutlineText(Inquiry("EP1000000").Choose()));
    EXPECT_EQ("Amendment 1; ", OutlineText(Inquiry("US6000051").Choose("X6")));
    // Out of order, a name OPS may add, one beyond the pages, one unreadable.
    OpsInquiry inquiry;
    wxString error;
    ASSERT_TRUE(
        inquiry.Parse(OneInstance("12", "a/b",
                                  "<ops:document-section name=\"DRAWINGS\" start-page=\"8\"/>"
                                  "<ops:document-section name=\"SEARCH_REPORT\" start-page=\"40\"/>"
                                  "<ops:document-section name=\"CLAIMS\" start-page=\"6\"/>"
                                  "<ops:document-section name=\"EXAMINATION_REPORT\" start-page=\"3\"/>"
                                  "<ops:document-section name=\"DESCRIPTION\" start-page=\"2\"/>"
                                  "<ops:document-section name=\"ABSTRACT\" start-page=\"x\"/>"),
                      error));
    EXPECT_EQ("Description 2; Examination report 3; Claims 6; Drawings 8; ", OutlineText(inquiry.Choose()));
}

std::string Repeated(const std::string& text, size_t times)
{
    std::string all;
    for (size_t i = 0; i < times; ++i)
        all += text;
    return all;
}

TEST(OpsInquiry, UntrustedAnswersGiveNoImageSet)
{
    const std::string link = "published-data/images/EP/1/A1/fullimage";
    struct Case
    {
        std::string xml;
        bool parsed;
        bool chosen = false;
    } const cases[] = {
        {"", false},
        {"<html><body>Bad Gateway</body></html>", false},
        {"<fault xmlns=\"http://ops.epo.org\"><code>SERVER.EntityNotFound</code></fault>", false},
        {OneInstance("12", "a/b").substr(0, 200), false},
        {OneInstance("0", "a/b"), true},
        {OneInstance("12abc", "a/b"), true},
        {OneInstance("999999999999", "a/b"), true},
        {OneInstance("12", ""), true},
        {OneInstance("12", "../../../auth/accesstoken"), true},
        {OneInstance("12", "/published-data/images/EP/1/A1/fullimage"), true},
        {OneInstance("12", "http://elsewhere.example/x"), true},
        {OneInstance("12", "published-data/x?Range=9"), true},
        // Shapes no OPS answer has are refused before they cost the stack,
        // memory or time: nesting, nodes, text; a megabyte of short lines
        // reads at once.
        {OneInstance("12", link, Repeated("<a>", 250) + Repeated("</a>", 250)), true, true},
        {OneInstance("12", link, Repeated("<a>", 253) + Repeated("</a>", 253)), false},
        {OneInstance("12", link, Repeated("<a x='1' y='2'/>", 34000)), false},
        {OneInstance("12", link, "<a>" + std::string(5 * 1024 * 1024, 'x') + "</a>"), false},
        {OneInstance("12", link, "<a b='" + std::string(5 * 1024 * 1024, 'x') + "'/>"), false},
        {OneInstance("12", link, Repeated("a\n", 500000)), true, true},
    };
    for (const Case& c : cases) {
        const std::string shown = c.xml.substr(0, 300);
        OpsInquiry inquiry;
        wxString error;
        EXPECT_EQ(c.parsed, inquiry.Parse(c.xml, error)) << shown;
        EXPECT_EQ(c.parsed, error.empty()) << shown;
        EXPECT_EQ(c.chosen, inquiry.Choose() != nullptr) << shown;
    }
    // The service's namespace under another prefix reads the same.
    OpsInquiry inquiry;
    wxString error;
    ASSERT_TRUE(inquiry.Parse(OneInstance("7", "published-data/images/EP/1/A1/fullimage", "", "o"), error));
    ASSERT_NE(nullptr, inquiry.Choose());
    EXPECT_EQ(7u, inquiry.Choose()->pageCount);
}

}  // namespace
