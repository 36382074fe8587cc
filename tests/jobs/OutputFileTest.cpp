#include "SimFixture.h"

#include "jobs/JobEvents.h"
#include "jobs/JobRoute.h"
#include "jobs/OutputFile.h"
#include "jobs/pct.h"
#include "numbers/Classification.h"
#include "settings/FetchSettings.h"

namespace {

struct NameCase
{
    const char* number;
    const char* name;
};

const NameCase nameCases[] = {
    {"EP2219563", "EP2219563.pdf"},
    {"WO2004/012345", "WO2004-012345.pdf"},
    {"EP1/../../x", "EP1-..-..-x.pdf"},
    {"EP1\\..\\x", "EP1-..-x.pdf"},
    {"~EP1", "-EP1.pdf"},
    {"/EP1", "-EP1.pdf"},
    {"EP1~", "EP1~.pdf"},
};

TEST(OutputFile, NumbersNeverLeaveTheWorkingDirectory)
{
    TempHome home;
    for (const NameCase& c : nameCases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(SafePdfName(c.number), c.name);
        wxFileName file = OutputFileFor(c.number);
        EXPECT_EQ(file.GetFullName(), c.name);
        EXPECT_EQ(file.GetPath(), wxFileName::DirName(home.Path()).GetPath());
    }
}

class OutputFileJob : public SimFixture
{
};

TEST_F(OutputFileJob, AJobNamesItsFileInsideTheWorkingDirectory)
{
    for (const NameCase& c : nameCases) {
        SCOPED_TRACE(c.number);
        WriteFile(InCwd(c.name), CompletePdfStub());
        EventCollector local;
        ASSERT_TRUE(RunToEnd(std::make_unique<pct>(c.number, 0, &local), local));
        EXPECT_EQ(local.Statuses().back(), "Previously Downloaded!");
        EXPECT_EQ(local.Texts(EVT_JOB_DONE), std::vector<wxString>{InCwd(c.name)});
    }
}

// What classify prints as file= is the file the job finds (and writes), on
// every route; a US number as cited is named as typed bare.
TEST_F(OutputFileJob, ClassifyNamesTheFileTheJobWrites)
{
    const std::shared_ptr<OpsContext> ops = NewOpsContext();
    const std::shared_ptr<EpsContext> eps = NewEpsContext();
    const std::shared_ptr<PpubsContext> ppubs = NewPpubsContext();
    for (OfficeSim::Routes routes :
         {OfficeSim::Routes::classic, OfficeSim::Routes::ops, OfficeSim::Routes::defaults,
          OfficeSim::Routes::firstRun}) {
        sim->WriteSettings(home.SettingsFile(), routes);
        for (const char* text : {"~aEP12", "EP1/../x", "WO2004/012345", "EP2219563.B1", "5,123,456", "D0365123",
                                 "RE035136", "US 6,103,599 B1", "USD645062", "US2002/0123456 A1"}) {
            SCOPED_TRACE(std::string(text) + " routes " + std::to_string(static_cast<int>(routes)));
            const Classification entry = Classify(text);
            ASSERT_FALSE(entry.file.empty());
            WriteFile(InCwd(entry.file.ToStdString()), CompletePdfStub());
            EventCollector local;
            ASSERT_TRUE(RunToEnd(MakeJob(entry, 0, &local, FetchSettings::Load(), ops.get(), eps.get(),
                                         ppubs.get()), local));
            EXPECT_EQ(local.Statuses().back(), "Previously Downloaded!");
            EXPECT_EQ(local.Texts(EVT_JOB_DONE), std::vector<wxString>{InCwd(entry.file.ToStdString())});
        }
    }
}

TEST_F(OutputFileJob, DownloadedDocumentWithHostileNumberStaysInTheWorkingDirectory)
{
    sim->Control("POST", "/_sim/catalog", R"({"granted": {}, "applications": {}, "serials": {},
        "ops": {"~EP1": [{"desc": "FullDocument", "link": "published-data/images/EP/1/A1/fullimage", "pages": 2}]}})");
    EventCollector local;
    ASSERT_TRUE(RunToEnd(std::make_unique<pct>("~EP1", 0, &local), local));
    EXPECT_EQ(local.Statuses().back(), "Finished!");
    EXPECT_EQ(QpdfPages(InCwd("-EP1.pdf")), 2);
}

}  // namespace
