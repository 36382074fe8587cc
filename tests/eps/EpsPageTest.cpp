// Reading the publication server's HTML answers: the toolbar's PDF link, the
// block page and Euro-PCT pages, from pages written as the web writes them.
#include "services/eps/EpsPage.h"

#include <gtest/gtest.h>

namespace {

TEST(EpsPage, FindsThePdfLinkTheBlockAndWipoPagesInLooseHtml)
{
    const struct
    {
        const char* html;
        const char* pdfLink;
        bool blocked;
        bool wipo;
        const char* woNumber;
    } cases[] = {
        {"<div class=epoHeader><a href=\"/ps/guide.pdf\">Guide</a></div>"
         "<!-- <div class=\"epoToolBar\"><a href=\"/old\">old</a></div> -->"
         "<DIV CLASS=\"epoToolBar document\"><ul><li><A HREF='/ps/pdf-document?cc=EP&amp;pn=1&#38;ki=A1'>PDF</A>"
         "</li></ul></DIV>",
         "/ps/pdf-document?cc=EP&pn=1&ki=A1", false, false, ""},
        {"<div class=\"epoToolBar\"><a href=\"/print\">Print</a> <a href=\" /d/document.pdf?x=1 \">PDF</a></div>",
         "/d/document.pdf?x=1", false, false, ""},
        {"<p><a href = /a/b.html>x</a> <a id=x href=http://h/doc.PDF#p1>y</a>", "http://h/doc.PDF#p1", false,
         false, ""},
        {"<div class=\"epoToolBar\"><div><span></span></div></div><a href=\"/after\">a</a><a href=\"/late.pdf\">",
         "/late.pdf", false, false, ""},
        {"<script>var s = '<a href=\"/evil.pdf\">';</script><a href=\"/good.pdf\">", "/good.pdf", false, false, ""},
        {"<p>The European publication server has detected a very high\n  level of data flow to your IP address.",
         "", true, false, ""},
        {"<p>Published by WIPO as WO 2012/153305.</p><a href=\"https://patentscope.wipo.int/search/en/x.pdf\">",
         "", false, true, "WO2012153305"},
        {"<p>See TWO98/12345 and WO 98/12345 at <a href=https://patentscope.wipo.int/>PATENTSCOPE</a>", "", false,
         true, "WO98/12345"},
        {"<a href=\"https://www.wipo.int/\">WIPO</a>", "", false, true, ""},
        {"<div class=\"epoToolBar\"><a href=\"/x.pdf", "", false, false, ""},
        {"<!-- never closed <a href=\"/y.pdf\">", "", false, false, ""},
        {"<a href=\"\">empty</a><a =x href=\"/z.pdf\"><", "/z.pdf", false, false, ""},
        {"", "", false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.html);
        const EpsPage page = EpsPage::Read(c.html);
        EXPECT_EQ(page.pdfLink, c.pdfLink);
        EXPECT_EQ(page.blocked, c.blocked);
        EXPECT_EQ(page.wipo, c.wipo);
        EXPECT_EQ(page.woNumber, c.woNumber);
    }
}

}  // namespace
