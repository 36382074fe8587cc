#include "SimFixture.h"

#include "jobs/JobEvents.h"
#include "jobs/JobRoute.h"
#include "jobs/uspto.h"
#include "numbers/Classification.h"
#include "settings/FetchSettings.h"
#include "settings/NetworkSettings.h"

#include "ClosedPort.h"

#include <wx/filename.h>

#include <chrono>
#include <cstdio>

namespace {

using Statuses = std::vector<wxString>;

Statuses PageStatuses(int pages)
{
    Statuses texts;
    for (int p = 1; p <= pages; ++p)
        texts.push_back(wxString::Format("Downloading page %i of %i", p, pages));
    return texts;
}

Statuses Concat(std::initializer_list<Statuses> parts)
{
    Statuses all;
    for (const Statuses& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

class UsJob : public SimFixture
{
protected:
    std::unique_ptr<uspto> Job(const wxString& number, EventCollector& sink, int row = 0)
    {
        auto job = std::make_unique<uspto>(number, row, &sink);
        job->SetRetryStepMs(10);
        return job;
    }
    std::unique_ptr<uspto> Job(const wxString& number, int row = 0) { return Job(number, events, row); }
};

TEST_F(UsJob, GrantedPatentPostsEveryStatusInOrderAndWritesACompletePdf)
{
    Statuses statuses = Run(Job("5123456", 2));
    EXPECT_EQ(statuses, Concat({{"Downloading", "Downloading"}, PageStatuses(3), {"Finished!"}}));

    const std::string pdf = InCwd("5123456.pdf");
    EXPECT_TRUE(QpdfCheck(pdf));
    EXPECT_EQ(QpdfPages(pdf), 3);
    EXPECT_EQ(events.Texts(EVT_JOB_DONE), Statuses{pdf});
    EXPECT_EQ(events.Texts(EVT_JOB_EXIT), Statuses{pdf});
    EXPECT_EQ(events.Count(EVT_PAGE_FETCHED), 3);
    for (const auto& posted : events.Events())
        EXPECT_EQ(posted.id, posted.type == EVT_PAGE_FETCHED ? -1 : 2);
    // The id ends in 56: the second granted-patent mirror.
    std::vector<SimRequest> requests = Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (const SimRequest& request : requests)
        EXPECT_EQ(request.service, "patentImages2") << request.path;
    EXPECT_EQ(requests[0].path, "/.piw?Docid=5123456&idkey=NONE");
    EXPECT_NE(requests[3].path.find("PageNum=3&"), std::string::npos) << requests[3].path;
}

// The status line's page counter and the usage warning count the pages of
// every route, whichever of Patent Public Search's ways brought them.
TEST_F(UsJob, EveryRouteCountsThePagesItFetches)
{
    const std::shared_ptr<OpsContext> ops = NewOpsContext();
    const std::shared_ptr<PpubsContext> ppubs = NewPpubsContext();
    const struct
    {
        OfficeSim::Routes routes;
        const char* faults;
    } cases[] = {
        {OfficeSim::Routes::classic, "[]"},
        {OfficeSim::Routes::ops, "[]"},
        {OfficeSim::Routes::defaults, "[]"},
        {OfficeSim::Routes::defaults, R"([{"path": "downloadPdf", "action": "status", "status": 404}])"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults + std::to_string(static_cast<int>(c.routes)));
        sim->WriteSettings(home.SettingsFile(), c.routes);
        sim->Faults(c.faults);
        std::remove(InCwd("5123456.pdf").c_str());
        EventCollector local;
        ASSERT_TRUE(RunToEnd(MakeJob(Classify("5123456"), 0, &local, FetchSettings::Load(), ops.get(), nullptr,
                                     ppubs.get()),
                             local));
        EXPECT_EQ(local.Statuses().back(), "Finished!");
        EXPECT_EQ(local.Count(EVT_PAGE_FETCHED), 3);
    }
}

struct MirrorCase
{
    const char* number;
    const char* service;
    const char* file;
    int pages;
};

TEST_F(UsJob, MirrorAndServerFollowTheIdsLastTwoDigitsAndLength)
{
    const MirrorCase cases[] = {
        {"d365123", "patentImages1", "D365123.pdf", 2},
        {"20020000051", "applicationImages2", "20020000051.pdf", 3},
        {"20020000001", "applicationImages1", "20020000001.pdf", 2},
        {"7000099", "patentImages2", "7000099.pdf", 4},  // embed path split over two lines
        {"7000002", "patentImages1", "7000002.pdf", 2},
    };
    for (const MirrorCase& c : cases) {
        SCOPED_TRACE(c.number);
        ClearLog();
        EventCollector local;
        ASSERT_TRUE(RunToEnd(Job(c.number, local), local));
        EXPECT_EQ(local.Statuses().back(), "Finished!");
        EXPECT_EQ(QpdfPages(InCwd(c.file)), c.pages);
        EXPECT_TRUE(QpdfCheck(InCwd(c.file)));
        std::vector<SimRequest> requests = Requests();
        EXPECT_EQ(requests.size(), 1u + c.pages);
        for (const SimRequest& request : requests)
            EXPECT_EQ(request.service, c.service) << request.path;
    }
}

struct SerialCase
{
    const char* entry;
    const char* file;
    const char* query;
};

TEST_F(UsJob, SerialNumbersAreResolvedWithTheirSeriesDateRange)
{
    const SerialCase cases[] = {
        {"09/836917", "9-836917.pdf", "APN%2F836917+and+APD%2F1%2F1%2F1998-%3E12%2F31%2F2001&d=PG01"},
        {"10\\012345", "10-12345.pdf", "APN%2F12345+and+APD%2F12%2F1%2F2001-%3E12%2F31%2F2004&d=PG01"},
        {"11/123456", "11-123456.pdf", "APN%2F123456+and+APD%2F12%2F1%2F2004-%3E12%2F31%2F2007&d=PG01"},
        {"12/345678", "12-345678.pdf", "APN%2F345678+and+APD%2F12%2F1%2F2007-%3E12%2F31%2F2011&d=PG01"},
        {"8/765432", "8-765432.pdf", "APN%2F765432+and+APD%2F&d=PG01"},
    };
    for (const SerialCase& c : cases) {
        SCOPED_TRACE(c.entry);
        ClearLog();
        EventCollector local;
        ASSERT_TRUE(RunToEnd(Job(c.entry, local), local));
        EXPECT_EQ(local.Statuses().back(), "Finished!");
        EXPECT_TRUE(QpdfCheck(InCwd(c.file)));
        std::vector<SimRequest> requests = Requests();
        ASSERT_GE(requests.size(), 2u);
        EXPECT_EQ(requests[0].service, "applicationSearch");
        EXPECT_NE(requests[0].path.find(std::string("&Query=") + c.query), std::string::npos)
            << requests[0].path;
        EXPECT_NE(requests[1].path.find("/.aiw?Docid=20"), std::string::npos) << requests[1].path;
    }
}

TEST_F(UsJob, SerialNumberRunPostsEveryStatusInOrder)
{
    Statuses statuses = Run(Job("9/836917"));
    EXPECT_EQ(statuses, Concat({{"Downloading", "Downloading"}, PageStatuses(2), {"Finished!"}}));
}

TEST_F(UsJob, ExistingFileIsReportedWithoutAnyRequest)
{
    WriteFile(InCwd("5123456.pdf"), CompletePdfStub());
    Statuses statuses = Run(Job("0005123456"));
    EXPECT_EQ(statuses, (Statuses{"Downloading", "Downloading", "Previously Downloaded!"}));
    EXPECT_EQ(events.Texts(EVT_JOB_DONE), Statuses{InCwd("5123456.pdf")});
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(ReadFile(InCwd("5123456.pdf")), CompletePdfStub());
}

TEST_F(UsJob, AnIncompleteFileUnderTheNameIsReplacedByAFreshDownload)
{
    ASSERT_EQ(Run(Job("5123456")).back(), "Finished!");
    const std::string whole = ReadFile(InCwd("5123456.pdf"));
    const struct
    {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"cut short", whole.substr(0, whole.size() / 2)},
        {"cut inside its trailer", whole.substr(0, whole.size() - 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(InCwd("5123456.pdf"), c.bytes);
        EventCollector local;
        ASSERT_TRUE(RunToEnd(Job("5123456", local), local));
        EXPECT_EQ(local.Statuses().back(), "Finished!");
        EXPECT_TRUE(ReadFile(InCwd("5123456.pdf")) == whole);
    }
}

struct EndCase
{
    const char* number;
    const char* last;
    bool namedFile;
};

TEST_F(UsJob, AnswersThatMakeNoSenseEndTheJobWithoutAFile)
{
    const EndCase cases[] = {
        {"7000001", "Error Downloading Check Proxy", true},  // no NumPages mark
        {"7000000", "Not Found", true},                      // NumPages=0
        {"7000003", "Not Found", true},                      // embed path without PageNum=
        {"9/111111", "Serial Number Not Found", false},
        {"HELLO", "Unknown Patent/Application Format", false},
        {"12a", "Unknown Patent/Application Format", false},
    };
    for (const EndCase& c : cases) {
        SCOPED_TRACE(c.number);
        EventCollector local;
        ASSERT_TRUE(RunToEnd(Job(c.number, local), local));
        EXPECT_EQ(local.Statuses().back(), c.last);
        EXPECT_EQ(local.Count(EVT_JOB_DONE), 0);
        const wxString exitPath = local.Texts(EVT_JOB_EXIT).at(0);
        EXPECT_EQ(exitPath.empty(), !c.namedFile);
        if (!exitPath.empty()) {
            EXPECT_FALSE(wxFileName::FileExists(exitPath));
        }
    }
    EXPECT_TRUE(RequestsMatching("/.DImg?").empty());
}

TEST_F(UsJob, PageFailingTwiceIsRetriedAndGivesTheSamePdfAsAFaultFreeRun)
{
    ASSERT_TRUE(RunToEnd(Job("5123456"), events));
    const std::string clean = ReadFile(InCwd("5123456.pdf"));
    ASSERT_FALSE(clean.empty());
    std::remove(InCwd("5123456.pdf").c_str());
    ClearLog();

    // libcurl sends a request again at once when a reused connection turns
    // out dead, so the reset fails the attempt only when it meets the resend
    // as well.
    sim->Faults(R"([{"path": "PageNum=2", "nth": [1, 2], "action": "reset"},
                    {"path": "PageNum=2", "nth": [3], "action": "html"}])");
    EventCollector faulted;
    ASSERT_TRUE(RunToEnd(Job("5123456", faulted), faulted));
    EXPECT_EQ(faulted.Statuses().back(), "Finished!");
    EXPECT_EQ(ReadFile(InCwd("5123456.pdf")), clean);
    EXPECT_EQ(RequestsMatching("PageNum=2").size(), 4u);
    int countdownTexts = 0;
    for (const wxString& s : faulted.Statuses())
        countdownTexts += s.Contains(" Error Downloading Page Reconencting in ") ? 1 : 0;
    EXPECT_EQ(countdownTexts, 20);
    EXPECT_EQ(faulted.Count(EVT_PAGE_FETCHED), 3);
}

// The retry countdown statuses among `statuses`.
Statuses Countdowns(const Statuses& statuses)
{
    Statuses countdowns;
    for (const wxString& text : statuses)
        if (text.Contains(" Error Downloading Page Reconencting in "))
            countdowns.push_back(text);
    return countdowns;
}

struct UnreadableUsPage
{
    const char* fault;
    const char* cause;
};

TEST_F(UsJob, PageThatIsNeverAReadableImageEndsTheJobAfterFiveCountdowns)
{
    const UnreadableUsPage cases[] = {
        {R"("action": "html")", "not a readable TIFF image"},
        {R"("action": "damaged")", "not a readable TIFF image"},
        {R"("action": "status", "status": 404)", "server answered 404"},
        {R"("action": "empty")", "empty answer"},
    };
    for (const UnreadableUsPage& c : cases) {
        SCOPED_TRACE(c.fault);
        ClearLog();
        sim->Faults(std::string(R"([{"path": "PageNum=2", )") + c.fault + "}]");
        EventCollector local;
        ASSERT_TRUE(RunToEnd(Job("5123456", local), local, 20000));
        EXPECT_EQ(local.Statuses().back(), wxString("Page 2: ") + c.cause);
        const Statuses countdowns = Countdowns(local.Statuses());
        EXPECT_EQ(countdowns.size(), 50u);
        EXPECT_EQ(countdowns.at(0), wxString(c.cause) + " Error Downloading Page Reconencting in 10s");
        EXPECT_EQ(RequestsMatching("PageNum=2").size(), 6u);
        EXPECT_EQ(local.Count(EVT_JOB_DONE), 0);
        EXPECT_FALSE(FileExists(InCwd("5123456.pdf")));
    }
}

TEST_F(UsJob, FailuresToGetAnAnswerDoNotCountTowardsGivingAPageUp)
{
    // Five unreadable answers, then a connection reset (twice: libcurl
    // resends once on a fresh connection), then the page.
    sim->Faults(R"([{"path": "PageNum=2", "nth": [1, 2, 3, 4, 5], "action": "html"},
                    {"path": "PageNum=2", "nth": [6, 7], "action": "reset"}])");
    const Statuses statuses = Run(Job("5123456"), 20000);
    EXPECT_EQ(statuses.back(), "Finished!");
    const Statuses countdowns = Countdowns(statuses);
    ASSERT_EQ(countdowns.size(), 60u);
    // The retry names its cause.
    EXPECT_EQ(countdowns[50], "Error sending request Error Downloading Page Reconencting in 10s");
}

TEST_F(UsJob, SerialSearchUsesTheSettingsTheJobWasMadeWith)
{
    NetworkSettings& live = TheNetworkSettings();
    struct Restored
    {
        NetworkSettings& live;
        const NetworkSettings saved;
        ~Restored() { live = saved; }
    } restored{live, live};
    live = NetworkSettings();
    auto job = std::make_unique<uspto>("9/836917", 0, &events, Hosts::Load(), live);
    job->SetRetryStepMs(10);

    // Changed while the job runs, as Setup may: to a proxy nothing listens on.
    const wxString closedPort = wxString::Format("%d", ClosedLoopbackPort());
    auto change = [&live, &closedPort](int round) {
        live.connectionType = 2;
        live.proxyServer = "127.0.0.1";
        live.proxyPort = closedPort;
        live.proxyPass = wxString::Format("secret%d", round);
    };
    change(0);
    ASSERT_EQ(job->Create(), wxTHREAD_NO_ERROR);
    ASSERT_EQ(job->Run(), wxTHREAD_NO_ERROR);
    // Until the search has been answered, without any synchronisation with
    // the job, so ThreadSanitizer sees any read of these settings it makes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int round = 1; RequestsMatching("/netacgi/").empty() && std::chrono::steady_clock::now() < deadline;
         ++round)
        change(round);
    const bool ended = events.WaitForExit(20000);
    if (ended)
        job->Wait();
    else
        job->Delete();

    ASSERT_TRUE(ended);
    EXPECT_EQ(events.Statuses().back(), "Finished!");
}

TEST_F(UsJob, UnreachablePageListCountsDownInRealSecondsAndTriesAgain)
{
    // The only test that runs the program's one-second steps to the end.
    sim->Faults(R"([{"path": "/.piw", "nth": [1], "action": "reset"}])");
    Statuses statuses = Run(std::make_unique<uspto>("5123456", 0, &events), 40000);
    ASSERT_EQ(statuses.size(), 2u + 10u + 3u + 1u);
    for (int n = 10; n >= 1; --n) {
        const wxString& text = statuses[2 + 10 - n];
        EXPECT_TRUE(text.StartsWith("Connection Error")) << text;
        EXPECT_TRUE(text.EndsWith(wxString::Format(" Error Downloading Tiff List Reconnecting in %i", n)))
            << text;
    }
    EXPECT_EQ(statuses.back(), "Finished!");
    EXPECT_EQ(RequestsMatching("/.piw").size(), 2u);
}

TEST_F(UsJob, PageListServerDownShowsCantConnectAndRecovers)
{
    sim->Control("POST", "/_sim/down", R"({"service": "patentImages2"})");
    auto job = std::make_unique<uspto>("5123456", 0, &events);
    job->SetRetryStepMs(10);
    ASSERT_EQ(job->Create(), wxTHREAD_NO_ERROR);
    ASSERT_EQ(job->Run(), wxTHREAD_NO_ERROR);
    EXPECT_TRUE(events.WaitForStatus("Reconnecting in 1", 20000));
    sim->Control("POST", "/_sim/up", R"({"service": "patentImages2"})");
    EXPECT_TRUE(events.WaitForExit(20000));
    job->Wait();
    const std::vector<wxString> statuses = events.Statuses();
    ASSERT_GE(statuses.size(), 3u);
    EXPECT_EQ(statuses[2], "Connection ErrorCan't connect Error Downloading Tiff List Reconnecting in 10");
    EXPECT_EQ(statuses.back(), "Finished!");
}

// Stops the job once a status containing `trigger` was posted; returns how
// long the stop took.
double StopAfter(std::unique_ptr<uspto> job, EventCollector& events, const wxString& trigger)
{
    EXPECT_EQ(job->Create(), wxTHREAD_NO_ERROR);
    EXPECT_EQ(job->Run(), wxTHREAD_NO_ERROR);
    EXPECT_TRUE(events.WaitForStatus(trigger, 20000));
    const auto start = std::chrono::steady_clock::now();
    job->Delete();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return seconds;
}

TEST_F(UsJob, StopDuringACountdownEndsQuicklyWithoutFurtherStatusOrFile)
{
    sim->Faults(R"([{"path": "PageNum=2", "action": "html"}])");
    auto job = std::make_unique<uspto>("5123456", 0, &events);  // the program's one-second steps
    const double seconds = StopAfter(std::move(job), events, "Reconencting in 10s");
    EXPECT_LT(seconds, 1.5);
    const Statuses statuses = events.Statuses();
    EXPECT_TRUE(statuses.back().EndsWith("Reconencting in 10s")) << statuses.back();
    EXPECT_EQ(events.Count(EVT_JOB_EXIT), 0);
    EXPECT_FALSE(FileExists(InCwd("5123456.pdf")));
}

TEST_F(UsJob, StopWhileTheServerHangsEndsQuicklyWithoutFile)
{
    sim->Faults(R"([{"path": "PageNum=2", "action": "hang"}])");
    const double seconds = StopAfter(Job("5123456"), events, "Downloading page 2 of 3");
    EXPECT_LT(seconds, 1.5);
    EXPECT_EQ(events.Statuses().back(), "Downloading page 2 of 3");
    EXPECT_EQ(events.Count(EVT_JOB_EXIT), 0);
    EXPECT_FALSE(FileExists(InCwd("5123456.pdf")));
}

}  // namespace
