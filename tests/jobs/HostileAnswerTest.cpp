#include "SimFixture.h"

#include "jobs/JobEvents.h"
#include "jobs/pct.h"
#include "jobs/uspto.h"

#include <wx/fileconf.h>

#include <csignal>
#include <cstdio>
#include <spawn.h>
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
    void SetUp() override
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
        auto* job = new Job(c.number, 0, &local);
        job->SetRetryStepMs(10);
        ASSERT_TRUE(RunToEnd(job, local, 20000));
        EXPECT_EQ(local.Statuses().back(), c.last);
        EXPECT_EQ(local.Count(EVT_JOB_DONE), 0);
        const wxString exitPath = local.Texts(EVT_JOB_EXIT).at(0);
        EXPECT_FALSE(FileExists(exitPath.ToStdString()));
    }
};

TEST_F(HostileAnswer, AbsurdUsPageCountsEndTheJobWithoutRequestingPages)
{
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
    const HostileCase cases[] = {
        {"EP7000001", "Error Too Many Pages (4294967295)"},
        {"EP7000002", "Error Too Many Pages (4294967295)"},
        {"EP7000003", "Connection Error  -- 200"},
    };
    for (const HostileCase& c : cases)
        Expect<pct>(c);
    EXPECT_TRUE(RequestsMatching(".tiff?Range=").empty());
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
        auto* job = new uspto("7100001", 0, &events);
        job->SetRetryStepMs(10);
        ASSERT_TRUE(RunToEnd(job, events, 20000));
        EXPECT_EQ(events.Statuses().back(), c.last);
        EXPECT_FALSE(FileExists(home.Path() + "/7100001.pdf"));
    }
}

}  // namespace
