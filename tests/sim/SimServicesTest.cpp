// What the simulated offices answer: page lists, pages, the search and the
// OPS image list, in the shapes the download jobs read.
#include "OfficeSim.h"
#include "SimClient.h"
#include "SimTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <regex>
#include <sstream>

namespace {

class SimServices : public SimTest
{
protected:
    static SimClient::Answer Get(const std::string& service, const std::string& path)
    {
        SimClient client;
        return client.Get(sim->Host(service), path);
    }
};

// The embed path the way the US job reads it: from 11 characters after
// "embed src=" up to "\" width=", with the lines that follow joined on.
std::string EmbedPath(const std::string& page)
{
    size_t mark = page.find("embed src=");
    if (mark == std::string::npos)
        return std::string();
    std::string rest = page.substr(mark + 11);
    size_t end = rest.find("\" width=");
    if (end == std::string::npos)
        return std::string();
    std::string path = rest.substr(0, end);
    path.erase(std::remove(path.begin(), path.end(), '\n'), path.end());
    return path;
}

int NumPages(const std::string& page)
{
    std::smatch m;
    return std::regex_search(page, m, std::regex("<!-- NumPages=(\\d+) -->"))
               ? std::stoi(m[1].str())
               : -1;
}

struct PageListCase
{
    const char* service;
    const char* path;
    int numPages;     // -1: no mark
    bool pageNum;     // the embed path carries "PageNum=1&"
    bool splitEmbed;  // the embed element spans two lines
};

TEST_F(SimServices, PageListsHaveTheMarksTheJobReads)
{
    const PageListCase cases[] = {
        {"patentImages2", "/.piw?Docid=5123456&idkey=NONE", 3, true, false},
        {"patentImages1", "/.piw?Docid=D0365123&idkey=NONE", 2, true, false},
        {"patentImages2", "/.piw?Docid=6000051&idkey=NONE", 2, true, false},
        {"patentImages1", "/.piw?Docid=7000100&idkey=NONE", 100, true, false},
        {"applicationImages1", "/.aiw?Docid=20020000001&idkey=NONE", 2, true, false},
        {"applicationImages2", "/.aiw?Docid=20020000051&idkey=NONE", 3, true, false},
        {"patentImages1", "/.piw?Docid=7000000&idkey=NONE", 0, true, false},
        {"patentImages1", "/.piw?Docid=7000001&idkey=NONE", -1, true, false},
        {"patentImages1", "/.piw?Docid=7000002&idkey=NONE", 2, true, true},
        {"patentImages2", "/.piw?Docid=7000099&idkey=NONE", 4, true, true},
        {"applicationImages1", "/.aiw?Docid=20020000002&idkey=NONE", 2, true, true},
        {"patentImages1", "/.piw?Docid=7000003&idkey=NONE", 2, false, false},
        {"patentImages1", "/.piw?Docid=RE035136&idkey=NONE", 2, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        SimClient::Answer a = Get(c.service, c.path);
        ASSERT_EQ(CURLE_OK, a.code);
        EXPECT_EQ(200, a.status);
        EXPECT_EQ(c.numPages, NumPages(a.body));
        std::string embed = EmbedPath(a.body);
        EXPECT_EQ(0u, embed.find("/.DImg?Docid="));
        EXPECT_EQ(c.pageNum, embed.find("PageNum=1&") != std::string::npos) << embed;
        size_t line = a.body.find("embed src=");
        bool split = a.body.find("\" width=", line) > a.body.find('\n', line);
        EXPECT_EQ(c.splitEmbed, split);
    }
}

TEST_F(SimServices, DocumentsAnswerOnlyOnTheirOwnMirrorAndKind)
{
    const std::pair<const char*, const char*> wrong[] = {
        {"patentImages1", "/.piw?Docid=5123456&idkey=NONE"},
        {"patentImages2", "/.piw?Docid=D0365123&idkey=NONE"},
        {"applicationImages1", "/.aiw?Docid=20020000051&idkey=NONE"},
        {"patentImages1", "/.aiw?Docid=20020000001&idkey=NONE"},
        {"applicationImages1", "/.piw?Docid=20020000001&idkey=NONE"},
    };
    for (const auto& [service, path] : wrong) {
        SCOPED_TRACE(std::string(service) + path);
        SimClient::Answer a = Get(service, path);
        EXPECT_EQ(404, a.status);
        EXPECT_EQ(-1, NumPages(a.body));
    }
}

TEST_F(SimServices, PagesAreFaxTiffsAndAlwaysTheSameBytes)
{
    const struct
    {
        const char* service;
        const char* docid;
        int page;
        unsigned compression;  // 0: G3 or G4, whichever the pool gives
    } cases[] = {
        {"patentImages2", "5123456", 1, 4},
        {"patentImages2", "5123456", 3, 4},
        {"patentImages1", "7000004", 1, 3},
        {"patentImages1", "7000004", 2, 3},
        {"patentImages1", "7000004", 3, 4},
        {"patentImages1", "7000005", 2, 4},
        {"patentImages1", "7000005", 4, 4},
        {"applicationImages2", "20020000051", 2, 0},
    };
    for (const auto& c : cases) {
        std::string path = std::string("/.DImg?Docid=") + c.docid + "&PageNum=" +
                           std::to_string(c.page) + "&IDKey=0&ImgFormat=tif";
        SCOPED_TRACE(path);
        SimClient::Answer first = Get(c.service, path);
        SimClient::Answer again = Get(c.service, path);
        ASSERT_EQ(200, first.status);
        EXPECT_EQ(0u, first.body.find(std::string("II*\0", 4)));
        unsigned compression = TiffCompression(first.body);
        if (c.compression)
            EXPECT_EQ(c.compression, compression);
        else
            EXPECT_TRUE(compression == 3 || compression == 4) << compression;
        EXPECT_EQ(first.body, again.body);
    }
    SimClient::Answer page1 = Get("patentImages2", "/.DImg?Docid=5123456&PageNum=1&IDKey=0");
    SimClient::Answer page2 = Get("patentImages2", "/.DImg?Docid=5123456&PageNum=2&IDKey=0");
    EXPECT_NE(page1.body, page2.body);
    EXPECT_EQ(404, Get("patentImages2", "/.DImg?Docid=5123456&PageNum=4&IDKey=0").status);
    EXPECT_EQ(404, Get("patentImages2", "/.DImg?Docid=5123456&PageNum=0&IDKey=0").status);
    EXPECT_EQ(404, Get("patentImages1", "/.DImg?Docid=5123456&PageNum=1&IDKey=0").status);
}

std::string SearchPath(const std::string& serial, const std::string& range)
{
    return "/netacgi/nph-Parser?Sect1=PTO2&Sect2=HITOFF&u=%2Fnetahtml%2FPTO%2Fsearch-adv.html"
           "&r=0&p=1&f=S&l=50&Query=APN%2F" + serial + "+and+APD%2F" + range + "&d=PG01";
}

// The first hit the way the US job reads it, or empty.
std::string FirstHit(const std::string& page)
{
    const std::string mark =
        "/netacgi/nph-Parser?Sect1=PTO2&Sect2=HITOFF&u=%2Fnetahtml%2FPTO%2Fsearch-adv.html";
    size_t at = page.find(mark);
    if (at == std::string::npos)
        return std::string();
    size_t gt = page.find('>', at);
    size_t end = page.find("</A>", gt);
    return end == std::string::npos ? std::string() : page.substr(gt + 1, end - gt - 1);
}

TEST_F(SimServices, SearchHitsOnlyWithTheSeriesDateRange)
{
    const std::string r9 = "1%2F1%2F1998-%3E12%2F31%2F2001";
    const std::string r10 = "12%2F1%2F2001-%3E12%2F31%2F2004";
    const std::string r11 = "12%2F1%2F2004-%3E12%2F31%2F2007";
    const std::string r12 = "12%2F1%2F2007-%3E12%2F31%2F2011";
    const struct
    {
        std::string serial, range, hit;
    } cases[] = {
        {"836917", r9, "20020000001"},
        {"12345", r10, "20030012345"},
        {"012345", r10, "20030012345"},
        {"123456", r11, "20050123456"},
        {"345678", r12, "20080345678"},
        {"765432", "", "20010000008"},
        {"12345", r9, ""},
        {"12345", "", ""},
        {"765432", r10, ""},
        {"999999", r10, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serial + " " + c.range);
        SimClient::Answer a = Get("applicationSearch", SearchPath(c.serial, c.range));
        EXPECT_EQ(200, a.status);
        EXPECT_EQ(c.hit, FirstHit(a.body));
    }
}

TEST_F(SimServices, EveryPublishedNumberOfTheSearchHasAPageList)
{
    for (std::string id : {"20020000001", "20030012345", "20050123456", "20080345678",
                           "20010000008"}) {
        std::string service = id.substr(9) < "50" ? "applicationImages1" : "applicationImages2";
        SimClient::Answer a = Get(service, "/.aiw?Docid=" + id + "&idkey=NONE");
        EXPECT_GT(NumPages(a.body), 0) << id;
    }
}

// (link, pages) of the FullDocument lines, read the way the OPS job's pattern reads them.
std::vector<std::pair<std::string, int>> FullDocuments(const std::string& xml,
                                                       const std::string& system)
{
    std::regex pattern("<ops:document-instance system=\"([^\"]+)\" link=\"([^\"]+)\" "
                       "number-of-pages=\"(\\d+)\" desc=\"FullDocument\">");
    std::vector<std::pair<std::string, int>> found;
    std::istringstream lines(xml);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch m;
        if (std::regex_search(line, m, pattern)) {
            EXPECT_EQ(system, m[1].str());
            found.emplace_back(m[2].str(), std::stoi(m[3].str()));
        }
    }
    return found;
}

TEST_F(SimServices, OpsImageListsNameTheirInstancesOnePerLine)
{
    const std::string prefix = "/2.6.2/rest-services/published-data/publication/epodoc/";
    const std::string ops = sim->Host("ops");
    SimClient::Answer ep = Get("ops", prefix + "EP2219563/images");
    ASSERT_EQ(200, ep.status);
    auto full = FullDocuments(ep.body, ops);
    ASSERT_EQ(3u, full.size());
    EXPECT_EQ(5, full[0].second);
    EXPECT_EQ(12, full[1].second);
    EXPECT_EQ(12, full[2].second);
    EXPECT_NE(full[1].first, full[2].first);
    EXPECT_NE(std::string::npos, ep.body.find("desc=\"Drawing\">"));
    EXPECT_NE(std::string::npos, ep.body.find("desc=\"FirstPageClipping\">"));

    SimClient::Answer wo = Get("ops", prefix + "WO2004/012345/images");
    EXPECT_EQ(200, wo.status);
    EXPECT_EQ(1u, FullDocuments(wo.body, ops).size());

    SimClient::Answer drawings = Get("ops", prefix + "EP1234567/images");
    EXPECT_EQ(200, drawings.status);
    EXPECT_TRUE(FullDocuments(drawings.body, ops).empty());
    EXPECT_NE(std::string::npos, drawings.body.find("ops:document-instance"));

    EXPECT_EQ(404, Get("ops", prefix + "EP9999999/images").status);
}

TEST_F(SimServices, OpsPagesComeByRangeFromTheLinkOfTheList)
{
    SimClient::Answer list =
        Get("ops", "/2.6.2/rest-services/published-data/publication/epodoc/EP2219563/images");
    auto full = FullDocuments(list.body, sim->Host("ops"));
    ASSERT_EQ(3u, full.size());
    std::string base = "/2.6.2/rest-services/" + full[1].first + ".tiff?Range=";
    SimClient::Answer last = Get("ops", base + "12");
    EXPECT_EQ(200, last.status);
    EXPECT_NE(0u, TiffCompression(last.body));
    EXPECT_EQ(404, Get("ops", base + "13").status);
    EXPECT_EQ(404, Get("ops", "/2.6.2/rest-services/published-data/images/XX/1/A1/none.tiff?Range=1")
                       .status);
}

TEST_F(SimServices, MakerServesVersionDownloadAndProxyTestPage)
{
    EXPECT_EQ("23", Get("maker", "/latest.html").body);
    EXPECT_FALSE(Get("maker", "/download.html").body.empty());
    EXPECT_NE(std::string::npos,
              Get("maker", "/proxyTest.htm").body.find("office-sim proxy test page"));
    sim->Control("POST", "/_sim/latest", "24 newer");
    EXPECT_EQ("24 newer", Get("maker", "/latest.html").body);
    sim->Control("POST", "/_sim/download", "{\"status\": 404}");
    EXPECT_EQ(404, Get("maker", "/download.html").status);
    sim->Control("POST", "/_sim/download", "NEWPROGRAM");
    EXPECT_EQ("NEWPROGRAM", Get("maker", "/download.html").body);
    sim->Control("POST", "/_sim/latest", "23");
}

}  // namespace
