#include "SimFixture.h"

#include "jobs/JobEvents.h"
#include "jobs/pct.h"

#include <algorithm>
#include <chrono>

namespace {

using Statuses = std::vector<wxString>;

class PctJob : public SimFixture
{
protected:
    std::unique_ptr<pct> Job(const wxString& number, EventCollector& sink)
    {
        auto job = std::make_unique<pct>(number, 0, &sink);
        job->SetRetryStepMs(10);
        return job;
    }
    std::unique_ptr<pct> Job(const wxString& number) { return Job(number, events); }
};

TEST_F(PctJob, LargestFullDocumentWinsAndEveryStatusIsPostedInOrder)
{
    Statuses statuses = Run(Job("EP2219563"));
    Statuses expected{"Downloading", "Downloading from worldwide.espacenet.com"};
    for (int p = 1; p <= 12; ++p)
        expected.push_back(wxString::Format("Downloading page %i of 12", p));
    expected.push_back("Finished!");
    EXPECT_EQ(statuses, expected);

    const std::string pdf = InCwd("EP2219563.pdf");
    EXPECT_TRUE(QpdfCheck(pdf));
    EXPECT_EQ(QpdfPages(pdf), 12);
    EXPECT_EQ(events.Texts(EVT_JOB_DONE), Statuses{pdf});
    EXPECT_EQ(events.Texts(EVT_JOB_EXIT), Statuses{pdf});
    EXPECT_EQ(events.Count(EVT_PAGE_FETCHED), 0);

    // A2 and B1 both have 12 pages: the first of the two is used.
    std::vector<SimRequest> pages = RequestsMatching(".tiff?Range=");
    ASSERT_EQ(pages.size(), 12u);
    for (const SimRequest& page : pages)
        EXPECT_EQ(page.path.rfind("/2.6.2/rest-services/published-data/images/EP/2219563/A2/fullimage.tiff?Range=", 0), 0u)
            << page.path;
}

TEST_F(PctJob, EachPageRequestCarriesOnlyItsOwnRangeHeader)
{
    ASSERT_EQ(Run(Job("EP2219563")).back(), "Finished!");
    std::vector<SimRequest> pages = RequestsMatching(".tiff?Range=");
    ASSERT_EQ(pages.size(), 12u);
    for (size_t n = 1; n <= pages.size(); ++n) {
        const SimRequest& page = pages[n - 1];
        EXPECT_EQ(page.path, "/2.6.2/rest-services/published-data/images/EP/2219563/A2/fullimage.tiff?Range=" +
                                 std::to_string(n));
        std::vector<std::pair<std::string, std::string>> added;
        for (const auto& header : page.headers)
            if (header.first == "Range" || header.second == "application/tiff")
                added.push_back(header);
        const std::vector<std::pair<std::string, std::string>> expected{
            {"Accept", "application/tiff"}, {"Range", std::to_string(n)}};
        EXPECT_EQ(added, expected) << page.path;
    }
}

TEST_F(PctJob, NumberWithSlashIsRequestedUnchangedAndSavedWithDash)
{
    ASSERT_EQ(Run(Job("WO2004/012345")).back(), "Finished!");
    EXPECT_EQ(RequestsMatching("/images").at(0).path,
              "/2.6.2/rest-services/published-data/publication/epodoc/WO2004/012345/images");
    EXPECT_TRUE(QpdfCheck(InCwd("WO2004-012345.pdf")));
    EXPECT_EQ(QpdfPages(InCwd("WO2004-012345.pdf")), 3);
}

struct EncodedNumberCase
{
    const char* number;
    const char* requested;
};

TEST_F(PctJob, CharactersAUrlCannotCarryRawArePercentEncoded)
{
    const EncodedNumberCase cases[] = {
        {"EP1000000 A1", "EP1000000%20A1"},
        {"EP1000000\tA1", "EP1000000%09A1"},
        {"EP1000000#A1", "EP1000000%23A1"},
        {"EP1000000%A1", "EP1000000%25A1"},
        {"DE10100001\u00dc", "DE10100001%C3%9C"},
    };
    for (const EncodedNumberCase& c : cases) {
        SCOPED_TRACE(c.requested);
        ClearLog();
        EventCollector local;
        // The simulator knows none of them: answered at all, the job ends at once.
        ASSERT_TRUE(RunToEnd(Job(wxString::FromUTF8(c.number), local), local, 20000));
        EXPECT_EQ(local.Statuses().back(), "Not Found!");
        const std::vector<SimRequest> lists = RequestsMatching("/images");
        ASSERT_EQ(lists.size(), 1u);
        EXPECT_EQ(lists[0].path,
                  std::string("/2.6.2/rest-services/published-data/publication/epodoc/") + c.requested + "/images");
    }
}

TEST_F(PctJob, ImageListAnswered404WithoutABodyIsNotFound)
{
    sim->Faults(R"([{"service": "ops", "path": "/images", "action": "status-empty", "status": 404}])");
    Statuses statuses = Run(Job("EP1000000"), 20000);
    EXPECT_EQ(statuses.back(), "Not Found!");
    EXPECT_EQ(RequestsMatching("/images").size(), 1u);
}

TEST_F(PctJob, ExistingFileIsReportedWithoutAnyRequest)
{
    WriteFile(InCwd("EP1000000.pdf"), CompletePdfStub());
    Statuses statuses = Run(Job("EP1000000"));
    EXPECT_EQ(statuses, (Statuses{"Downloading", "Downloading from worldwide.espacenet.com",
                                  "Previously Downloaded!"}));
    EXPECT_EQ(events.Texts(EVT_JOB_DONE), Statuses{InCwd("EP1000000.pdf")});
    EXPECT_TRUE(Requests().empty());
}

TEST_F(PctJob, UnknownNumberIsNotFoundAndAListWithoutFullDocumentIsAConnectionError)
{
    EventCollector unknown;
    ASSERT_TRUE(RunToEnd(Job("EP9999999", unknown), unknown));
    EXPECT_EQ(unknown.Statuses().back(), "Not Found!");
    EXPECT_FALSE(FileExists(InCwd("EP9999999.pdf")));

    EventCollector drawingsOnly;
    ASSERT_TRUE(RunToEnd(Job("EP1234567", drawingsOnly), drawingsOnly));
    const wxString last = drawingsOnly.Statuses().back();
    EXPECT_TRUE(last.StartsWith("Connection Error ")) << last;
    EXPECT_TRUE(last.EndsWith(" -- 200")) << last;
    EXPECT_FALSE(FileExists(InCwd("EP1234567.pdf")));
}

TEST_F(PctJob, PageAnswered500EndsTheJobAndLeavesNoFile)
{
    sim->Faults(R"([{"service": "ops", "path": "Range=2", "action": "status", "status": 500}])");
    Statuses statuses = Run(Job("EP1000000"));
    EXPECT_TRUE(statuses.back().StartsWith("Connection Error ")) << statuses.back();
    EXPECT_TRUE(statuses.back().EndsWith(" -- 500")) << statuses.back();
    EXPECT_EQ(events.Count(EVT_JOB_DONE), 0);
    EXPECT_EQ(events.Texts(EVT_JOB_EXIT), Statuses{InCwd("EP1000000.pdf")});
    EXPECT_FALSE(FileExists(InCwd("EP1000000.pdf")));
}

TEST_F(PctJob, HtmlInsteadOfAPageIsRetriedAfterTheCountdown)
{
    ASSERT_EQ(Run(Job("EP1000000")).back(), "Finished!");
    const std::string clean = ReadFile(InCwd("EP1000000.pdf"));
    std::remove(InCwd("EP1000000.pdf").c_str());

    sim->Faults(R"([{"service": "ops", "path": "Range=1", "nth": [1], "action": "html"}])");
    EventCollector faulted;
    ASSERT_TRUE(RunToEnd(Job("EP1000000", faulted), faulted));
    Statuses statuses = faulted.Statuses();
    Statuses expected{"Downloading", "Downloading from worldwide.espacenet.com",
                      "Downloading page 1 of 2"};
    for (int n = 10; n >= 1; --n) {
        ASSERT_GT(statuses.size(), expected.size());
        const wxString& text = statuses[expected.size()];
        EXPECT_TRUE(text.StartsWith("Error ")) << text;
        EXPECT_TRUE(text.EndsWith(wxString::Format(" Downloading Tiff Reconnecting in %is", n))) << text;
        expected.push_back(text);
    }
    expected.insert(expected.end(), {"Downloading page 1 of 2", "Downloading page 2 of 2", "Finished!"});
    EXPECT_EQ(statuses, expected);
    EXPECT_EQ(ReadFile(InCwd("EP1000000.pdf")), clean);
}

struct UnreadablePageCase
{
    const char* action;
    const char* cause;
};

TEST_F(PctJob, PageThatIsNeverAReadableImageEndsTheJobAfterFiveCountdowns)
{
    const UnreadablePageCase cases[] = {
        {"html", "not a readable TIFF image"},
        {"damaged", "not a readable TIFF image"},
        {"empty", "empty answer"},
    };
    for (const UnreadablePageCase& c : cases) {
        SCOPED_TRACE(c.action);
        ClearLog();
        sim->Faults(std::string(R"([{"service": "ops", "path": "Range=2", "action": ")") + c.action + "\"}]");
        EventCollector local;
        ASSERT_TRUE(RunToEnd(Job("EP1000000", local), local, 20000));
        const Statuses statuses = local.Statuses();
        EXPECT_EQ(statuses.back(), wxString("Page 2: ") + c.cause);
        const wxString firstCountdown = wxString("Error ") + c.cause + " Downloading Tiff Reconnecting in 10s";
        EXPECT_EQ(std::count(statuses.begin(), statuses.end(), firstCountdown), 5);
        EXPECT_EQ(RequestsMatching("Range=2").size(), 6u);
        EXPECT_EQ(local.Count(EVT_JOB_DONE), 0);
        EXPECT_FALSE(FileExists(InCwd("EP1000000.pdf")));
    }
}

TEST_F(PctJob, StopDuringTheImageListCountdownEndsQuicklyWithoutStatusOrFile)
{
    sim->Faults(R"([{"service": "ops", "path": "/images", "action": "reset"}])");
    auto job = std::make_unique<pct>("EP1000000", 0, &events);  // the program's one-second steps
    ASSERT_EQ(job->Create(), wxTHREAD_NO_ERROR);
    ASSERT_EQ(job->Run(), wxTHREAD_NO_ERROR);
    ASSERT_TRUE(events.WaitForStatus("Error Downloading PCT Reconnecting in 10s", 20000));
    const auto start = std::chrono::steady_clock::now();
    job->Delete();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 1.5);
    EXPECT_EQ(events.Statuses().back(), "Error Downloading PCT Reconnecting in 10s");
    EXPECT_EQ(events.Count(EVT_JOB_EXIT), 0);
    EXPECT_FALSE(FileExists(InCwd("EP1000000.pdf")));
}

}  // namespace
