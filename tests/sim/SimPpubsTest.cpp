// The simulator's USPTO Patent Public Search: the direct PDF of G4 pages,
// sessions, the search's image locations, print jobs and the fault answers.
#include "OfficeSim.h"
#include "SimClient.h"
#include "SimTest.h"
#include "TempHome.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <regex>
#include <sstream>

namespace {

const std::string direct = "/dirsearch-public/print/downloadPdf/";
const std::string pagesDir = FH_SOURCE_DIR "/tools/office-sim/pages/";

// Standard output of a command (its exit status in *status).
std::string Run(const std::string& command, int* status = nullptr)
{
    std::string out;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    int rc = pclose(pipe);
    if (status)
        *status = rc;
    return out;
}

struct PdfPage
{
    std::string box, imageDict, imageData;
};

// What qpdf reads in a PDF file: per page its object, its one image's
// dictionary and raw stream data; empty when qpdf --check fails.
std::vector<PdfPage> ReadPdfPages(const std::string& file)
{
    int status = -1;
    Run("qpdf --check '" + file + "'", &status);
    EXPECT_EQ(0, status) << Run("qpdf --check '" + file + "'");
    std::vector<PdfPage> pages;
    if (status != 0)
        return pages;
    std::istringstream lines(Run("qpdf --show-pages --with-images '" + file + "'"));
    std::regex pageLine(R"(page \d+: (\d+) 0 R)"), imageLine(R"(\s+/\w+: (\d+) 0 R, \d+ x \d+)");
    std::smatch m;
    for (std::string line; std::getline(lines, line);) {
        auto show = [&](const std::string& object, const char* extra) {
            return Run("qpdf --show-object=" + object + extra + " '" + file + "'");
        };
        if (std::regex_match(line, m, pageLine))
            pages.push_back({show(m[1], ""), "", ""});
        else if (std::regex_match(line, m, imageLine) && !pages.empty()) {
            EXPECT_TRUE(pages.back().imageDict.empty()) << "a second image on a page";
            pages.back().imageDict = show(m[1], "");
            pages.back().imageData = show(m[1], " --raw-stream-data");
        }
    }
    return pages;
}

std::string Field(const std::string& json, const std::string& name)
{
    std::smatch m;
    std::regex field("\"" + name + "\": (\"[^\"]*\"|[^,}]+)");
    return std::regex_search(json, m, field) ? m[1].str() : std::string();
}

class SimPpubs : public SimTest
{
protected:
    struct Session
    {
        std::string cookie, token, caseId;
    };

    static std::string Host() { return sim->Host("ppubs"); }

    SimClient::Answer Direct(const std::string& number)
    {
        return client.Get(sim->Host("ppubsImages"), direct + number);
    }

    Session Open()
    {
        Session s;
        std::string setCookie = client.Get(Host(), "/pubwebapp/").Header("Set-Cookie");
        s.cookie = setCookie.substr(0, setCookie.find(';'));
        SimClient::Answer a = client.Post(Host(), "/api/users/me/session", "-1",
                                          {"Content-Type: application/json", "Cookie: " + s.cookie});
        EXPECT_EQ(200, a.status) << a.body;
        s.token = a.Header("x-access-token");
        s.caseId = Field(a.body, "caseId");
        return s;
    }

    SimClient::Answer Api(const Session& s, const std::string& path, const std::string& body)
    {
        return client.Post(Host(), path, body,
                           {"Content-Type: application/json", "Cookie: " + s.cookie,
                            "X-Access-Token: " + s.token});
    }

    SimClient::Answer Search(const Session& s, const std::string& number)
    {
        return Api(s, "/api/searches/searchWithBeFamily",
                   R"({"start":0,"pageCount":500,"sort":"date_publ desc","query":{"caseId":)" +
                       s.caseId + R"(,"op":"OR","q":"(\")" + number + R"(\").pn.","qt":"brs",)"
                       R"("databaseFilters":[{"databaseName":"USPAT","countryCodes":[]}]}})");
    }

    // The print job of every page of a document; its id.
    std::string PrintJob(const Session& s, const std::string& guid, const std::string& location,
                         int pages)
    {
        std::string keys;
        for (int p = 1; p <= pages; ++p) {
            char key[16];
            std::snprintf(key, sizeof key, "/%08d.tif", p);
            keys += (p > 1 ? ",\"" : "\"") + location + key + "\"";
        }
        SimClient::Answer a = Api(s, "/api/print/imageviewer",
                                  "{\"caseId\":" + s.caseId + ",\"pageKeys\":[" + keys +
                                      "],\"patentGuid\":\"" + guid +
                                      "\",\"saveOrPrint\":\"save\",\"source\":\"USPAT\"}");
        EXPECT_EQ(200, a.status) << a.body;
        return a.body;
    }

    SimClient::Answer Poll(const Session& s, const std::string& job)
    {
        return Api(s, "/api/print/print-process", "[\"" + job + "\"]");
    }

    // The strip of a page as a classic image server serves it.
    std::string ClassicStrip(const std::string& mirror, const std::string& id, int page)
    {
        SimClient classic;
        return ReadTiff(classic.Get(sim->Host(mirror), "/.DImg?Docid=" + id +
                                                           "&PageNum=" + std::to_string(page) + "&IDKey=0")
                            .body)
            .strip;
    }

    SimClient client;
};

TEST_F(SimPpubs, DirectPdfHasOneLetterPageWithTheServedG4StripPerPage)
{
    const struct
    {
        const char* number;
        long status;
        std::vector<const char*> images;  // pages/ files of the pages in order
        size_t pages;
        const char* classic;  // the mirror serving the same pages on the classic route
    } cases[] = {
        {"5123456", 200, {"g4-1.tif", "g4-2.tif", "g4-3.tif"}, 3, "patentImages2"},
        {"20020000051", 200, {"g4-4.tif", "g4-5.tif", "g4-6.tif"}, 3, nullptr},
        {"D365123", 200, {}, 2, nullptr},
        {"RE035136", 200, {}, 2, nullptr},
        {"7777777", 404, {}, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        SimClient::Answer a = Direct(c.number);
        EXPECT_EQ(c.status, a.status);
        if (c.status != 200)
            continue;
        EXPECT_EQ("application/pdf", a.Header("Content-Type"));
        EXPECT_EQ(0u, a.body.find("%PDF-1.7\n"));
        std::string file = home.Path() + "/direct.pdf";
        WriteFile(file, a.body);
        std::vector<PdfPage> pages = ReadPdfPages(file);
        ASSERT_EQ(c.pages, pages.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_NE(std::string::npos, pages[i].box.find("/MediaBox [ 0 0 612 792 ]")) << pages[i].box;
            TiffFields tiff = ReadTiff(ReadFile(pagesDir + (c.images.empty() ? "g4-1.tif" : c.images[i])));
            std::string parms = "/DecodeParms << /Columns " + std::to_string(tiff.Value(256)) +
                                " /K -1 /Rows " + std::to_string(tiff.Value(257)) + " >>";
            for (const std::string& part : {std::string("/Filter /CCITTFaxDecode"), parms,
                                            std::string("/BitsPerComponent 1")})
                EXPECT_NE(std::string::npos, pages[i].imageDict.find(part)) << pages[i].imageDict;
            if (c.classic) {
                EXPECT_TRUE(ClassicStrip(c.classic, c.number, i + 1) == pages[i].imageData)
                    << "page " << i + 1;
            }
        }
    }
}

TEST_F(SimPpubs, PagesAreHeadedWithTheirDocumentAndPageNumberOnEveryRoute)
{
    // Where a page comes from: a classic mirror ("patentImages1"), the direct
    // PDF ("ppubs") or a file of pages/ ("file", named by id).
    struct Source
    {
        const char* route;
        const char* id;
        int page;
    };
    const struct
    {
        Source a, b;
        bool same;
    } cases[] = {
        {{"patentImages2", "5123456", 1}, {"ppubs", "5123456", 1}, true},
        {{"patentImages2", "5123456", 3}, {"ppubs", "5123456", 3}, true},
        // The same page image under another document or page number.
        {{"ppubs", "5123456", 1}, {"patentImages1", "7000100", 1}, false},
        {{"patentImages1", "7000100", 1}, {"patentImages1", "7000100", 7}, false},
        {{"patentImages1", "7000004", 1}, {"file", "g3-1.tif", 0}, false},
        {{"patentImages1", "7000004", 2}, {"file", "g3-2.tif", 0}, false},
        {{"patentImages1", "7000005", 1}, {"file", "odd-1.tif", 0}, false},
    };
    auto strip = [&](const Source& s) {
        std::string route = s.route;
        if (route == "file")
            return ReadTiff(ReadFile(pagesDir + s.id)).strip;
        if (route != "ppubs")
            return ClassicStrip(route, s.id, s.page);
        std::string file = home.Path() + "/direct.pdf";
        WriteFile(file, Direct(s.id).body);
        std::vector<PdfPage> pages = ReadPdfPages(file);
        return pages.size() >= size_t(s.page) ? pages[s.page - 1].imageData : std::string();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a.id) + " " + c.b.route + " " + c.b.id);
        std::string a = strip(c.a);
        std::string b = strip(c.b);
        ASSERT_FALSE(a.empty());
        ASSERT_FALSE(b.empty());
        EXPECT_EQ(c.same, a == b);
    }
}

TEST_F(SimPpubs, TlsListenersServeTheSameServices)
{
    SimClient tls;
    tls.UseTls(sim->CaFile());
    SimClient::Answer pdf = tls.Get(sim->Host("ppubsImagesTls"), direct + "5123456");
    EXPECT_EQ(200, pdf.status);
    EXPECT_TRUE(Direct("5123456").body == pdf.body);
    SimClient::Answer page = tls.Get(sim->Host("ppubsTls"), "/pubwebapp/");
    EXPECT_EQ(200, page.status);
    EXPECT_FALSE(page.HasHeader("Set-Cookie"));
}

TEST_F(SimPpubs, SearchAnswersTheImageLocationOfEachSeries)
{
    Session s = Open();
    const struct
    {
        const char* number;
        const char* patent;  // nullptr: not found
    } cases[] = {
        {"6103599", R"({"guid": "US-6103599-A", "type": "USPAT", "imageLocation": "uspat/US/06/103/599", "pageCount": 12})"},
        {"10493327", R"("imageLocation": "uspat/US/G27/933/104", "pageCount": 2})"},
        {"D365123", R"({"guid": "US-D365123-S", "type": "USPAT", "imageLocation": "uspat/US/D0/365/123")"},
        {"RE35136", R"({"guid": "US-RE35136-E", "type": "USPAT", "imageLocation": "uspat/US/RE/035/136")"},
        {"20020000051", R"({"guid": "US-20020000051-A1", "type": "US-PGPUB", "imageLocation": "us-pgpub/US/2002/0000/051", "pageCount": 3})"},
        {"5123456", R"("pageCount": 3, "frontPageStart": 1, "frontPageEnd": 1, "bibStart": 1)"},
        {"7777777", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.number);
        SimClient::Answer a = Search(s, c.number);
        EXPECT_EQ(200, a.status);
        EXPECT_EQ(c.patent ? "1" : "0", Field(a.body, "numFound"));
        if (c.patent) {
            EXPECT_NE(std::string::npos, a.body.find(c.patent)) << a.body;
        }
    }
}

TEST_F(SimPpubs, PrintJobFlowGivesTheDirectPdfAfterAPendingPoll)
{
    // A session needs no cookie (the page sets none); /api calls need the token.
    Session s = Open();
    EXPECT_TRUE(s.cookie.empty());
    EXPECT_FALSE(s.token.empty());
    EXPECT_FALSE(s.caseId.empty());
    Session noToken = s;
    noToken.token.clear();
    EXPECT_EQ(403, Search(noToken, "D365123").status);

    SimClient::Answer counted = Api(s, "/api/searches/counts", "{\"caseId\":" + s.caseId +
                                                                   R"(,"q":"(\"D365123\").pn.","qt":"brs"})");
    EXPECT_EQ(R"({"numFound": 1})" "\n", counted.body);
    SimClient::Answer found = Search(s, "D365123");
    EXPECT_EQ(200, found.status);
    std::string job = PrintJob(s, "US-D365123-S", "uspat/US/D0/365/123", 2);
    ASSERT_TRUE(std::regex_match(job, std::regex("\\d+")));

    SimClient::Answer pending = Poll(s, job);
    EXPECT_EQ("\"PENDING\"", Field(pending.body, "printStatus")) << pending.body;
    EXPECT_EQ("null", Field(pending.body, "pdfName"));
    SimClient::Answer done = Poll(s, job);
    EXPECT_EQ("\"COMPLETED\"", Field(done.body, "printStatus")) << done.body;
    EXPECT_EQ(job, Field(done.body, "printProcessId"));
    std::string name = Field(done.body, "pdfName");
    ASSERT_TRUE(std::regex_match(name, std::regex("\"US-D365123-S_USPAT_\\d+\\.pdf\""))) << name;
    name = name.substr(1, name.size() - 2);

    SimClient::Answer saved = client.Get(Host(), "/api/print/save/" + name, {"X-Access-Token: " + s.token});
    EXPECT_EQ(200, saved.status);
    EXPECT_EQ("application/pdf", saved.Header("Content-Type"));
    EXPECT_EQ(Direct("D365123").body, saved.body);
    EXPECT_EQ(403, client.Get(Host(), "/api/print/save/" + name).status);
    // Bad requests: a page key of another document, an unknown job.
    EXPECT_EQ(400, Api(s, "/api/print/imageviewer",
                       "{\"caseId\":" + s.caseId + ",\"pageKeys\":[\"uspat/US/06/103/599/00000001.tif\"],"
                       "\"patentGuid\":\"US-D365123-S\"}").status);
    EXPECT_EQ(400, Poll(s, "1").status);
}

TEST_F(SimPpubs, FaultRulesAnswerAsTheServiceDoes)
{
    const struct
    {
        const char* rule;
        const char* request;  // direct, search or poll
        long status;
        const char* header;  // "name: value" the answer carries, or empty
        const char* bodyPart;
    } cases[] = {
        {R"({"path": "searchWithBeFamily", "action": "ratelimit", "ms": 2000})", "search", 429,
         "x-rate-limit-retry-after-seconds: 2", R"({"message": "Too many requests"})"},
        {R"({"path": "searchWithBeFamily", "action": "ratelimit"})", "search", 429,
         "x-rate-limit-retry-after-seconds: 1", "Too many requests"},
        {R"({"service": "ppubsImages", "action": "waf"})", "direct", 403, "Content-Type: text/html",
         "The requested URL was rejected"},
        {R"({"service": "ppubsImages", "action": "html"})", "direct", 200, "Content-Type: text/html",
         "<html>"},
        {R"({"service": "ppubsImages", "action": "status", "status": 404})", "direct", 404, "", ""},
        {R"({"service": "ppubsImages", "action": "damaged"})", "direct", 200,
         "Content-Type: application/pdf", "%PDF-1.7"},
        {R"({"path": "searchWithBeFamily", "action": "session-expired"})", "search", 403, "", "Session expired"},
        {R"({"path": "searchWithBeFamily", "action": "session-expired-html"})", "search", 403,
         "Content-Type: text/html", "The requested URL was rejected"},
        {R"({"path": "print-process", "action": "pending"})", "poll", 200, "", R"("printStatus": "PENDING")"},
        {R"({"path": "print-process", "action": "print-failed", "nth": [1]})", "poll", 200, "",
         R"("printStatus": "FAILED", "errorMessage": "Unable to generate the PDF")"},
    };
    const size_t wholePdf = Direct("5123456").body.size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        sim->Reset();
        Session s = Open();
        std::string job = PrintJob(s, "US-5123456-A", "uspat/US/05/123/456", 3);
        sim->Faults(std::string("[") + c.rule + "]");
        const std::string request = c.request;
        auto send = [&] {
            return request == "direct" ? Direct("5123456")
                 : request == "search" ? Search(s, "5123456")
                                       : Poll(s, job);
        };
        SimClient::Answer a = send();
        EXPECT_EQ(c.status, a.status);
        EXPECT_NE(std::string::npos, a.body.find(c.bodyPart)) << a.body;
        std::string header = c.header;
        if (!header.empty()) {
            EXPECT_EQ(header.substr(header.find(": ") + 2), a.Header(header.substr(0, header.find(':'))));
        }
        if (std::string(c.rule).find("damaged") != std::string::npos) {
            EXPECT_EQ(wholePdf / 2, a.body.size());
        }
        if (std::string(c.rule).find("session-expired") != std::string::npos) {
            sim->Faults("[]");
            EXPECT_EQ(403, Search(s, "5123456").status);
            EXPECT_EQ(200, Search(Open(), "5123456").status);
        }
        const std::string lasting = std::string(c.rule).find("pending") != std::string::npos ? "\"PENDING\""
                                  : std::string(c.rule).find("failed") != std::string::npos ? "\"FAILED\""
                                                                                             : "";
        for (int poll = 0; poll < 3 && !lasting.empty(); ++poll)
            EXPECT_EQ(lasting, Field(Poll(s, job).body, "printStatus"));
    }
}

TEST_F(SimPpubs, BudgetsHoldTheirOwnKindAndTheLogMarksCallsMadeWhileHeld)
{
    sim->Control("POST", "/_sim/ppubs", R"({"search": 2, "print": 1})");
    Session s = Open();
    EXPECT_EQ("1", Search(s, "5123456").Header("x-rate-limit-remaining"));
    EXPECT_EQ("0", Search(s, "5123456").Header("x-rate-limit-remaining"));
    SimClient::Answer spent = Search(s, "5123456");
    EXPECT_EQ(429, spent.status);
    const int wait = std::stoi("0" + spent.Header("x-rate-limit-retry-after-seconds"));
    EXPECT_TRUE(wait >= 1 && wait <= 60) << wait;
    EXPECT_EQ(429, Search(s, "5123456").status);
    // Print calls have their own budget; print-process counts against none.
    const std::string job = PrintJob(s, "US-5123456-A", "uspat/US/05/123/456", 3);
    SimClient::Answer poll = Poll(s, job);
    EXPECT_EQ(200, poll.status);
    EXPECT_FALSE(poll.HasHeader("x-rate-limit-remaining"));
    for (int call = 0; call < 2; ++call)
        EXPECT_EQ(429, Api(s, "/api/print/imageviewer", "{}").status);

    std::vector<std::string> held;
    for (const auto& entry : nlohmann::json::parse(sim->Log()))
        if (entry.value("held", false))
            held.push_back(entry.at("path"));
    EXPECT_EQ(held, (std::vector<std::string>{"/api/searches/searchWithBeFamily", "/api/print/imageviewer"}));
    for (const char* body : {R"({"print": 0})", R"({"window": "soon"})", R"({"cookies": true})"})
        EXPECT_EQ(400, client.Post(sim->Host("maker"), "/_sim/ppubs", body).status) << body;
}

// The token in the URL must be encoded (it ends in "+/="), or the service
// reads another token.
TEST_F(SimPpubs, TheServicesOwnPdfTakesTheSessionsTokenAsAParameter)
{
    Session s = Open();
    std::string encoded;
    for (unsigned char c : s.token) {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        encoded += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    const std::string apiPdf = "/api/pdf/downloadPdf/";
    EXPECT_EQ(client.Get(Host(), apiPdf + "5123456?requestToken=" + encoded).body, Direct("5123456").body);
    EXPECT_EQ(403, client.Get(Host(), apiPdf + "5123456?requestToken=" + s.token).status);
    EXPECT_EQ(404, client.Get(Host(), apiPdf + "6200001?requestToken=" + encoded).status);
}

}  // namespace
