#include "SimFixture.h"

#include "jobs/JobEvents.h"
#include "jobs/pct.h"
#include "jobs/uspto.h"

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
          "granted": {"7100000": {"pages": 1000000000}, "7100001": {"pages": -5},
                      "7100002": {"pages": 20001}, "7100003": {"pages": 99999999999}},
          "applications": {}, "serials": {},
          "ops": {
            "EP7000001": [{"desc": "FullDocument", "link": "published-data/images/EP/7000001/A1/fullimage", "pages": 4294967295}],
            "EP7000002": [{"desc": "FullDocument", "link": "published-data/images/EP/7000002/A1/fullimage", "pages": 99999999999}],
            "EP7000003": [{"desc": "FullDocument", "link": "published-data/images/EP/7000003/A1/fullimage", "pages": 0}]
          }})");
    }

    void Expect(pat2pdf* job, const HostileCase& c)
    {
        SCOPED_TRACE(c.number);
        EventCollector local;
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
        {"7100001", "Not Found"},
        {"7100002", "Error Too Many Pages (20001)"},
        {"7100003", "Error Too Many Pages (2147483647)"},
    };
    for (const HostileCase& c : cases)
        Expect(new uspto(c.number, 0, &events), c);
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
        Expect(new pct(c.number, 0, &events), c);
    EXPECT_TRUE(RequestsMatching(".tiff?Range=").empty());
}

}  // namespace
