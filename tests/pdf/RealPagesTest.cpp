// Real pages through the writer, checked by real PDF readers and renderers,
// and pages fetched over HTTP from a local server.
#include "net/HttpSession.h"
#include "pdf/PdfWriter.h"
#include "tests/support/PageFromUrl.h"
#include "tests/support/RecordingLog.h"
#include "tests/support/TempHome.h"
#include "tests/pdf/PdfTestSupport.h"

#include <gtest/gtest.h>
#include <wx/wfstream.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {


bool AddFile(PdfWriter& writer, const std::string& file)
{
    wxFileInputStream input(file);
    return writer.AddPage(input);
}

std::string Quoted(const std::vector<std::string>& files)
{
    std::string out;
    for (const std::string& f : files)
        out += " '" + f + "'";
    return out;
}

class RealPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* tool : {"qpdf", "pdftoppm", "mutool", "tiffcp", "tifftopnm", "python3"})
            ASSERT_TRUE(ToolExists(tool)) << tool << " is not installed (scripts/install-deps.sh --test)";
    }

    // Writes `pages` into one PDF and checks it with qpdf, every page against
    // its TIFF pixel for pixel (and its size as `geometry` says), and the
    // image streams byte for byte.
    void AssembleAndCheck(const std::vector<std::string>& pages, const PdfWriter::Options& options = {},
                          const std::string& geometry = "fit")
    {
        const std::string pdf = home.Path() + "/pages.pdf";
        {
            PdfWriter writer(pdf, static_cast<int>(pages.size()), options);
            for (const std::string& page : pages)
                ASSERT_TRUE(AddFile(writer, page)) << page << ": " << writer.GetError();
            ASSERT_TRUE(writer.Close());
        }
        const std::string log = home.Path() + "/check.log";
        EXPECT_EQ(RunTool("qpdf --check '" + pdf + "'", log), 0) << ReadFile(log);
        for (size_t n = 1; n <= pages.size(); ++n)
        {
            const int rc = RunTool(pdfChecks + "compare-page '" + pages[n - 1] + "' '" + pdf + "' "
                                   + std::to_string(n) + " --geometry " + geometry,
                               log);
            EXPECT_EQ(rc, 0) << "page " << n << ": " << ReadFile(log);
        }
        EXPECT_EQ(RunTool(pdfChecks + "check-passthrough '" + pdf + "'" + Quoted(pages), log), 0) << ReadFile(log);
    }

    TempHome home;
};

TEST_F(RealPages, G4AndG3PagesRenderExactlyAsTheirTiffs)
{
    AssembleAndCheck({fixtures + "g4-letter.tif", fixtures + "g3-1d.tif", fixtures + "g3-1d-fill.tif",
                      fixtures + "g4-square.tif", fixtures + "g3-2d.tif"});
}

TEST_F(RealPages, OfficePagesWithTheDirectoryAfterTheData)
{
    const std::string pages = FH_SOURCE_DIR "/tools/office-sim/pages/";
    AssembleAndCheck({pages + "g4-1.tif", pages + "g3-1.tif", pages + "g3-2.tif", pages + "odd-1.tif",
                      pages + "odd-2.tif", pages + "odd-3.tif"});
}

TEST_F(RealPages, BigEndianPagesSizedByTheirResolution)
{
    PdfWriter::Options options;
    options.pageSizeFromResolution = true;
    // Whole points: the pixels are compared there, the sizes here.
    AssembleAndCheck({fixtures + "g4-ops.tif", fixtures + "g4-letter-mm.tif"}, options, "any");
    const std::string pdf = ReadFile(home.Path() + "/pages.pdf");
    EXPECT_NE(pdf.find("/MediaBox [0.0000 0.0000 595 842]"), std::string::npos);
    EXPECT_NE(pdf.find("/MediaBox [0.0000 0.0000 612 792]"), std::string::npos);
}

// python3's http.server on a free loopback port, serving one folder.
class LocalServer
{
public:
    explicit LocalServer(const std::string& folder)
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid = fork();
        if (pid == 0)
        {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            const char* script =
                "import functools, http.server, sys\n"
                "h = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])\n"
                "h.func.log_message = lambda *a: None\n"
                "s = http.server.ThreadingHTTPServer(('127.0.0.1', 0), h)\n"
                "print(s.server_address[1], flush=True)\n"
                "s.timeout = 60\n"
                "s.serve_forever()\n";
            execlp("python3", "python3", "-c", script, folder.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        output = out[0];  // kept open: the server may still be writing its line
        std::string line;
        pollfd ready{output, POLLIN, 0};
        char chunk[32];
        while (line.find('\n') == std::string::npos && poll(&ready, 1, 10000) == 1)
        {
            const ssize_t got = read(output, chunk, sizeof chunk);
            if (got <= 0)
                break;
            line.append(chunk, got);
        }
        if (line.find('\n') != std::string::npos)
            port = std::atoi(line.c_str());
    }
    ~LocalServer()
    {
        if (pid > 0)
        {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        if (output >= 0)
            close(output);
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    std::string Host() const { return "127.0.0.1:" + std::to_string(port); }

    pid_t pid = -1;
    int output = -1;
    int port = 0;
};

TEST_F(RealPages, PagesFetchedOverHttpAndARetriedHtmlAnswer)
{
    const std::string served = home.Dir("served");
    const std::vector<std::string> names = {"g4-letter.tif", "g3-1d.tif"};
    for (const std::string& name : names)
        WriteFile(served + "/" + name, ReadFile(fixtures + name));
    WriteFile(served + "/busy.html", "<html><body>Server busy</body></html>");

    LocalServer server(served);
    ASSERT_GT(server.port, 0);
    HttpSession session(1, "", "", "", "");
    ASSERT_TRUE(session.Connect(server.Host())) << session.GetError();

    const std::string pdf = home.Path() + "/fetched.pdf";
    {
        RecordingLog log;
        PdfWriter writer(pdf, 2);
        ASSERT_TRUE(AddPageFromUrl(writer, session, "/g4-letter.tif")) << writer.GetError();
        EXPECT_FALSE(AddPageFromUrl(writer, session, "/busy.html"));
        EXPECT_TRUE(writer.IsOk());
        EXPECT_EQ(writer.GetError(), "Not a tiff image? 116");
        EXPECT_TRUE(log.Errors().empty());
        EXPECT_FALSE(AddPageFromUrl(writer, session, "/missing.tif"));  // a 404 page is not a TIFF
        EXPECT_TRUE(writer.IsOk());
        ASSERT_TRUE(AddPageFromUrl(writer, session, "/g3-1d.tif")) << writer.GetError();
        EXPECT_TRUE(writer.Close());
    }
    const std::string log = home.Path() + "/check.log";
    EXPECT_EQ(RunTool("qpdf --check '" + pdf + "'", log), 0) << ReadFile(log);
    EXPECT_EQ(RunTool(pdfChecks + "check-passthrough '" + pdf + "' '" + fixtures + names[0] + "' '" + fixtures
                      + names[1] + "'",
                  log),
              0)
        << ReadFile(log);
}

TEST_F(RealPages, AFailedDownloadLeavesTheWriterAsItWas)
{
    int closedPort = 0;
    {
        LocalServer server(home.Path());
        closedPort = server.port;
    }
    ASSERT_GT(closedPort, 0);
    HttpSession session(1, "", "", "", "");
    session.Connect("127.0.0.1:" + std::to_string(closedPort));
    const std::string pdf = home.Path() + "/refused.pdf";
    PdfWriter writer(pdf, 1);
    EXPECT_FALSE(AddPageFromUrl(writer, session, "/g4-letter.tif"));
    EXPECT_TRUE(writer.IsOk());
    EXPECT_EQ(writer.GetError(), "");
    EXPECT_FALSE(writer.Close());
    EXPECT_FALSE(FileExists(pdf));
}

}  // namespace
