#include "JobHarness.h"

#include "jobs/pat2pdf.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A job that only posts the texts it is given.
class PostingJob : public pat2pdf
{
public:
    PostingJob(std::vector<wxString> texts, wxEvtHandler* sink) : pat2pdf(0, sink), texts(std::move(texts)) {}

protected:
    ExitCode Entry() override
    {
        for (const wxString& text : texts)
            PostStatus(text);
        return 0;
    }

private:
    std::vector<wxString> texts;
};

TEST(StatusLine, EveryStatusIsPostedAsOneLine)
{
    const std::vector<std::pair<wxString, wxString>> cases = {
        {"Error 18 in WinINetReadData.\n", "Error 18 in WinINetReadData."},
        {"Error a\r\n\r\nb Downloading", "Error a b Downloading"},
        {"\nfirst\rsecond\n", "first second"},
        {"Downloading page 1 of 2", "Downloading page 1 of 2"},
    };
    std::vector<wxString> sent;
    std::vector<wxString> expected{"Downloading"};  // posted by the constructor
    for (const auto& [text, line] : cases) {
        sent.push_back(text);
        expected.push_back(line);
    }
    EventCollector events;
    ASSERT_TRUE(RunToEnd(std::make_unique<PostingJob>(sent, &events), events, 10000));
    EXPECT_EQ(events.Statuses(), expected);
}

}  // namespace
