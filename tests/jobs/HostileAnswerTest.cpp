#include "CliProcess.h"
#include "SimFixture.h"
#include "tests/pdf/TiffBytes.h"

#include "jobs/JobEvents.h"
#include "jobs/pct.h"
#include "jobs/uspto.h"
#include "net/HttpsClient.h"

#include <nlohmann/json.hpp>
#include <wx/fileconf.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct HostileCase
{
    const char* number;
    const char* last;
};

class HostileAnswer : public SimFixture
{
protected:
    void UseAbsurdCatalog()
    {
        sim->Control("POST", "/_sim/catalog", R"({
          "granted": {"7100000": {"pages": 1000000000},
                      "7100002": {"pages": 20001}, "7100003": {"pages": 99999999999}},
          "applications": {}, "serials": {},
          "ops": {
            "EP7000001": [{"desc": "FullDocument", "link": "published-data/images/EP/7000001/A1/fullimage", "pages": 4294967295}],
            "EP7000002": [{"desc": "FullDocument", "link": "published-data/images/EP/7000002/A1/fullimage", "pages": 99999999999}],
            "EP7000003": [{"desc": "FullDocument", "link": "published-data/images/EP/7000003/A1/fullimage", "pages": 0}]
          }})");
    }

    template <typename Job>
    void Expect(const HostileCase& c)
    {
        SCOPED_TRACE(c.number);
        EventCollector local;
        auto job = std::make_unique<Job>(c.number, 0, &local);
        job->SetRetryStepMs(10);
        ASSERT_TRUE(RunToEnd(std::move(job), local, 20000));
        EXPECT_EQ(local.Statuses().back(), c.last);
        EXPECT_EQ(local.Count(EVT_JOB_DONE), 0);
        const wxString exitPath = local.Texts(EVT_JOB_EXIT).at(0);
        EXPECT_FALSE(FileExists(exitPath.ToStdString()));
    }
};

TEST_F(HostileAnswer, AbsurdUsPageCountsEndTheJobWithoutRequestingPages)
{
    UseAbsurdCatalog();
    const HostileCase cases[] = {
        {"7100000", "Error Too Many Pages (1000000000)"},
        {"7100002", "Error Too Many Pages (20001)"},
        {"7100003", "Error Too Many Pages (2147483647)"},
    };
    for (const HostileCase& c : cases)
        Expect<uspto>(c);
    EXPECT_TRUE(RequestsMatching("/.DImg?").empty());
}

TEST_F(HostileAnswer, AbsurdOpsPageCountsEndTheJobWithoutRequestingPages)
{
    UseAbsurdCatalog();
    const HostileCase cases[] = {
        {"EP7000001", "Error Too Many Pages (4294967295)"},
        {"EP7000002", "Error Too Many Pages (4294967295)"},
        {"EP7000003", "Connection Error  -- 200"},
    };
    for (const HostileCase& c : cases)
        Expect<pct>(c);
    EXPECT_TRUE(RequestsMatching(".tiff?Range=").empty());
}

// A PDF whose `pages` pages, `pageObjects` page objects named in turn, all
// draw image object 3: `image` under `filter`.
std::string OneImagePdf(int pages, int pageObjects, const std::string& image, const std::string& filter)
{
    std::string kids;
    for (int page = 0; page < pages; ++page)
        kids += std::to_string(5 + page % pageObjects) + " 0 R ";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>",
        "<< /Type /XObject /Subtype /Image /Width 2560 /Height 3300 /ColorSpace /DeviceGray /BitsPerComponent 1 "
        "/Filter " + filter + " /DecodeParms << /K -1 /Columns 2560 /Rows 3300 >> /Length "
            + std::to_string(image.size()) + " >>\nstream\n" + image + "\nendstream",
        "<< /Length 32 >>\nstream\nq 612 0 0 792 0 0 cm /Im0 Do Q  \nendstream",
    };
    for (int page = 0; page < pageObjects; ++page)
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] "
                          "/Resources << /XObject << /Im0 3 0 R >> >> /Contents 4 0 R >>");
    std::string pdf = "%PDF-1.7\n";
    std::string xref = "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t i = 0; i < objects.size(); ++i) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
        xref += entry;
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t start = pdf.size();
    return pdf + xref + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
           + std::to_string(start) + "\n%%EOF\n";
}

std::string Noise(size_t bytes)
{
    std::mt19937 random(20);
    std::string noise(bytes, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    return noise;
}

// One hostile answer: the simulator's fault rules (with the files the
// bodies are in), what is planted first, and how the document ends: its
// last status (or, ending in "...", that status's start), and for a good
// document the served file it is made of.
struct Hostile
{
    const char* name;
    const char* number;
    nlohmann::json rules;
    std::function<void()> plant;
    std::string last;
    std::string madeFrom = {};
};

nlohmann::json Serve(const char* service, const char* path, int status, const std::string& bodyFile)
{
    nlohmann::json rule = {{"service", service}, {"action", "status"}, {"status", status}, {"bodyFile", bodyFile}};
    if (*path)
        rule["path"] = path;
    return rule;
}

// Every case ends with one line and exit code 1 (never a signal), in bounded
// time and memory, with no file under the document's name, unless the
// answer makes a good document (then the file is no larger than the answer).
TEST_F(HostileAnswer, AHostileServerNeverTakesTheProgramDown)
{
    sim->WriteSettings(home.SettingsFile(), OfficeSim::Routes::defaults);
    const std::string settings = ReadFile(home.SettingsFile());
    const std::string bodies = home.Dir("bodies");
    auto body = [&](const std::string& name, const std::string& bytes) {
        WriteFile(bodies + "/" + name, bytes);
        return bodies + "/" + name;
    };
    std::string xml;
    for (int i = 0; i < 1000000; ++i)
        xml += "<a>";
    for (int i = 0; i < 1000000; ++i)
        xml += "</a>";
    const std::string deepXml = body("deep.xml", xml);
    // The command's peak memory counts the test's own from before its start.
    std::string().swap(xml);
    const std::string deepJson = body("deep.json", std::string(1000000, '[') + std::string(1000000, ']'));
    const std::string hugeTiff = body("huge.tif", PageFile(0xFFFFFFFF, 0xFFFFFFFF, 4, Noise(1000)));
    const std::string sharedPdf = body("shared.pdf", OneImagePdf(1000, 1000, Noise(1000000), "/CCITTFaxDecode"));
    const std::string manyPages = body("many.pdf", OneImagePdf(20000, 20000, Noise(1000), "/CCITTFaxDecode"));
    const std::string onePageNamedOften = body("often.pdf", OneImagePdf(1000000, 1, Noise(1000), "/CCITTFaxDecode"));
    const std::string noisePdf = body("noise.pdf", OneImagePdf(1, 1, Noise(1000), "/FlateDecode"));
    const std::string part = InCwd(".5123456.pdf.part");
    const std::string victim = home.Dir("elsewhere") + "/victim.txt";
    const std::string caFifo = home.Path() + "/authorities.pem";
    using Json = nlohmann::json;
    // Neither the image host's PDF nor the service's own.
    const Json noDirectPdf = {{"path", "downloadPdf"}, {"action", "status"}, {"status", 404}};
    auto everyPdf = [](const std::string& file) {
        Json pdfs = Json::array({Serve("ppubsImages", "", 200, file), Serve("ppubs", "/api/pdf/", 200, file),
                                 Serve("ppubs", "/api/print/save/", 200, file)});
        for (Json& pdf : pdfs)
            pdf["ctype"] = "application/pdf";
        return pdfs;
    };
    const std::string servedPdf =
        body("served.pdf", HttpsClient(NetworkSettings(), sim->CaFile())
                               .Get(sim->PpubsUrl(true, true) + "/dirsearch-public/print/downloadPdf/5123456")
                               .body);
    Json sharedDirect = Serve("ppubsImages", "", 200, sharedPdf);
    sharedDirect["ctype"] = "application/pdf";

    const Hostile cases[] = {
        {"deep inquiry", "EP1000000", {Serve("ops32", "/images", 200, deepXml)}, nullptr,
         "Error EPO OPS inquiry answer unreadable"},
        {"deep error body", "EP1000000", {Serve("ops32", "/images", 400, deepXml)}, nullptr, "EPO OPS error 400"},
        {"deep token error", "EP1000000", {Serve("ops32", "/auth/accesstoken", 401, deepXml)}, nullptr,
         "EPO OPS key or secret refused: File > Setup > Services"},
        {"deep token", "EP1000000", {Serve("ops32", "/auth/accesstoken", 200, deepJson)}, nullptr,
         "Error EPO OPS token answer unreadable: not a JSON object"},
        {"page of 4294967295 pixels a side", "EP1000000", {Serve("ops32", "Range=1", 200, hugeTiff)}, nullptr,
         "Page 1: not a readable TIFF image"},
        {"fair-use waits over an hour", "EP1000000",
         {{{"service", "ops32"}, {"path", "/images"}, {"action", "throttled"}, {"ms", 300}, {"nth", {1}}},
          {{"service", "ops32"}, {"path", "/images"}, {"action", "throttled"}, {"ms", 3600000}, {"nth", {2}}}},
         nullptr, "EPO OPS waits passed an hour: try again later"},
        {"deep print status", "5123456", {noDirectPdf, Serve("ppubs", "print-process", 200, deepJson)}, nullptr,
         "USPTO sent malformed JSON for the print status"},
        {"a thousand pages of one image", "5123456", {sharedDirect}, nullptr, "Finished!", sharedPdf},
        {"twenty thousand pages", "5123456", everyPdf(manyPages), nullptr,
         "USPTO sent an unusable PDF: PDF of more than 10000 pages, more than any patent has"},
        {"one page named a million times", "5123456", everyPdf(onePageNamedOften), nullptr,
         "USPTO sent an unusable PDF: PDF of more than 10000 pages, more than any patent has"},
        {"noise for a Flate stream", "5123456", everyPdf(noisePdf), nullptr,
         "USPTO sent an unusable PDF: Damaged PDF: the stream of object 3 cannot be decoded"},
        {"saved PDF cut short", "5123456",
         {noDirectPdf, {{"service", "ppubs"}, {"path", "/api/print/save/"}, {"action", "truncate"}, {"nth", {1}}}},
         nullptr, "Finished!", servedPdf},
        {"no HTTP", "5123456",
         {{{"path", "downloadPdf"}, {"action", "raw"}, {"body", "garbage\n"}},
          {{"path", "searchWithBeFamily"}, {"action", "raw"}, {"body", "garbage\n"}, {"nth", {1}}}},
         nullptr, "Finished!", servedPdf},
        {"completed under a name refused", "5123456",
         {noDirectPdf, {{"service", "ppubs"}, {"path", "print-process"}, {"action", "pdfname"}, {"body", "../x.pdf"}}},
         nullptr, "USPTO's print job named its PDF unusably"},
        {"rate limit of an hour", "5123456", {{{"action", "ratelimit"}, {"ms", 3600000}}}, nullptr,
         "USPTO rate limit did not end"},
        {"hard link planted", "5123456", Json::array(),
         [&] {
             WriteFile(victim, "not yours");
             ASSERT_EQ(link(victim.c_str(), part.c_str()), 0);
         },
         "Error Downloading page 1 Creating PDF: .5123456.pdf.part is linked to another file"},
        {"FIFO planted", "5123456", Json::array(), [&] { ASSERT_EQ(mkfifo(part.c_str(), 0600), 0); },
         "Error Downloading page 1 Creating PDF: .5123456.pdf.part is not a regular file"},
        {"FIFO for authorities", "5123456", Json::array(),
         [&] {
             ASSERT_EQ(mkfifo(caFifo.c_str(), 0600), 0);
             const size_t line = settings.find("caFile=");
             ASSERT_NE(line, std::string::npos);
             WriteFile(home.SettingsFile(), settings.substr(0, line) + "caFile=" + caFifo
                                                + settings.substr(settings.find('\n', line)));
         },
         "certificate authority file unusable: " + caFifo + ": not a regular file"},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        sim->Reset();
        sim->Faults(c.rules.dump());
        if (c.plant)
            c.plant();
        const auto start = std::chrono::steady_clock::now();
        CliProcess cli({"fetch", "--retry-step-ms", "1", c.number});
        EXPECT_EQ(cli.Finish(60000), c.madeFrom.empty() ? 1 : 0) << cli.Errors();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        RecordProperty(c.name, std::to_string(cli.PeakRssKib() / 1024) + " MB, " + std::to_string(seconds) + " s");
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        // Sanitizer runtimes hold freed memory back on purpose; the bound
        // speaks of the program, not of them.
        EXPECT_LT(cli.PeakRssKib(), 300 * 1024);
#endif
        ASSERT_FALSE(cli.Output().empty());
        const std::string last = cli.Output().back();
        if (c.last.size() > 3 && c.last.compare(c.last.size() - 3, 3, "...") == 0)
            EXPECT_EQ(last.substr(0, c.last.size() - 1), "0\t" + c.last.substr(0, c.last.size() - 3)) << last;
        else
            EXPECT_EQ(last, "0\t" + c.last);
        const std::string file = InCwd(std::string(c.number) + ".pdf");
        if (c.madeFrom.empty())
            EXPECT_FALSE(FileExists(file));
        else {
            EXPECT_TRUE(QpdfCheck(file));
            EXPECT_LT(std::filesystem::file_size(file), 2 * std::filesystem::file_size(c.madeFrom));
        }
        std::filesystem::remove(file);
        std::filesystem::remove(part);
        std::filesystem::remove(caFifo);
        WriteFile(home.SettingsFile(), settings);
    }
    EXPECT_TRUE(ReadFile(victim) == "not yours") << "the file a link was planted to was written";
}

// A server whose every answer is one fixed page list; stopped by closing its
// stdin.
class PageListServer
{
public:
    explicit PageListServer(const std::string& body)
    {
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        std::string script = FH_SOURCE_DIR "/tests/jobs/page_list_server.py";
        std::string text = body;
        char* argv[] = {const_cast<char*>("python3"), script.data(), text.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawnp(&pid, "python3", &actions, nullptr, argv, environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        stdinFd = in[1];
        FILE* portLine = fdopen(out[0], "r");
        if (portLine && fscanf(portLine, "%d", &port) != 1)
            port = 0;
        if (portLine)
            fclose(portLine);
    }
    ~PageListServer()
    {
        close(stdinFd);
        if (pid > 0)
            waitpid(pid, nullptr, 0);
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port); }

private:
    pid_t pid = -1;
    int stdinFd = -1;
    int port = 0;
};

TEST(HostilePageList, NegativeOrHugeCountsNeverBecomePages)
{
    const HostileCase cases[] = {
        {"<!-- NumPages=-5 -->\\n<embed src=\"/.DImg?PageNum=1&x\" width=\"1\">", "Not Found"},
        {"<!-- NumPages=-99999999999 -->\\n<embed src=\"/.DImg?PageNum=1\" width=\"1\">", "Not Found"},
        {"<!-- NumPages=20000000000 -->\\n<embed src=\"/.DImg?PageNum=1\" width=\"1\">",
         "Error Too Many Pages (2147483647)"},
    };
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.number);
        TempHome home;
        PageListServer server(c.number);
        {
            wxFileConfig settings("FolioHarvester");
            settings.Write("/hosts/patentImages1", wxString(server.Host()));
        }
        EventCollector events;
        auto job = std::make_unique<uspto>("7100001", 0, &events);
        job->SetRetryStepMs(10);
        ASSERT_TRUE(RunToEnd(std::move(job), events, 20000));
        EXPECT_EQ(events.Statuses().back(), c.last);
        EXPECT_FALSE(FileExists(home.Path() + "/7100001.pdf"));
    }
}

}  // namespace
