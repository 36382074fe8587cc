#include "services/ppubs/PpubsOutline.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using Sections = std::map<std::string, int>;
using Titles = std::vector<std::pair<std::string, int>>;

TEST(PpubsOutline, TheSearchAnswersSectionFieldsBecomeBookmarks)
{
    const struct
    {
        Sections starts;
        Titles outline;
    } cases[] = {
        // A recorded grant: one Description for both fields, 0 absent.
        {{{"frontPageStart", 1}, {"bibStart", 1}, {"abstractStart", 1}, {"drawingsStart", 2},
          {"specificationStart", 7}, {"descriptionStart", 7}, {"claimsStart", 11}, {"certCorrectionStart", 0},
          {"searchReportStart", 0}, {"frontPageEnd", 1}},
         {{"Front page", 1}, {"Bibliography", 1}, {"Abstract", 1}, {"Drawings", 2}, {"Description", 7},
          {"Claims", 11}}},
        {{{"descriptionStart", 3}, {"claimsStart", 5}}, {{"Description", 3}, {"Claims", 5}}},
        {{{"specificationStart", 4}, {"descriptionStart", 3}}, {{"Description", 4}}},
        {{{"certCorrectionStart", 9}, {"certReexaminationStart", 10}, {"supplementalStart", 11}, {"ptabStart", 12},
          {"amendStart", 13}, {"searchReportStart", 13}},
         {{"Certificate of correction", 9}, {"Reexamination certificate", 10}, {"Supplemental", 11},
          {"PTAB decision", 12}, {"Amendment", 13}, {"Search report", 13}}},
        // Fields no section is known by, and pages before the first.
        {{{"imageStart", 2}, {"claimsStart", -1}, {"drawingsStart", 0}}, {}},
    };
    for (const auto& c : cases) {
        Titles outline;
        for (const PpubsSection& section : PpubsOutline(c.starts))
            outline.emplace_back(section.title.ToStdString(), section.page);
        EXPECT_EQ(outline, c.outline);
    }
}

}  // namespace
