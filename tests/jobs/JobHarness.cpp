#include "JobHarness.h"

#include "jobs/JobEvents.h"
#include "jobs/StopThread.h"
#include "jobs/pat2pdf.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <wx/init.h>

#include "TempHome.h"

#include <chrono>
#include <filesystem>
#include <cstdio>
#ifdef _WIN32
#include "HostRelay.h"

#include <random>
#else
#include <sys/wait.h>
#endif

namespace {

// Jobs are wxThreads: the library must be initialised once for the binary.
class WxEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { ASSERT_TRUE(wxInitialize()); }
    void TearDown() override { wxUninitialize(); }
};

::testing::Environment* const wxEnvironment =
    ::testing::AddGlobalTestEnvironment(new WxEnvironment);

}  // namespace

EventCollector::EventCollector() : changed(lock) {}

void EventCollector::QueueEvent(wxEvent* event)
{
    auto* thread = static_cast<wxThreadEvent*>(event);
    Posted posted{event->GetEventType(), event->GetId(), thread->GetString(), JobOfEvent(*thread)};
    delete event;
    wxMutexLocker locker(lock);
    events.push_back(posted);
    changed.Broadcast();
}

bool EventCollector::WaitFor(const std::function<bool(const std::vector<Posted>&)>& done,
                             int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    wxMutexLocker locker(lock);
    while (!done(events)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        changed.WaitTimeout(static_cast<unsigned long>(left.count()));
    }
    return true;
}

bool EventCollector::WaitForStatus(const wxString& fragment, int timeoutMs)
{
    return WaitFor(
        [&fragment](const std::vector<Posted>& all) {
            for (const Posted& p : all)
                if (p.type == EVT_JOB_STATUS && p.text.Contains(fragment))
                    return true;
            return false;
        },
        timeoutMs);
}

bool EventCollector::HasExit(const std::vector<Posted>& all)
{
    for (const Posted& p : all)
        if (p.type == EVT_JOB_EXIT)
            return true;
    return false;
}

std::vector<EventCollector::Posted> EventCollector::Events() const
{
    wxMutexLocker locker(lock);
    return events;
}

std::vector<wxString> EventCollector::Texts(wxEventType type) const
{
    std::vector<wxString> texts;
    for (const Posted& p : Events())
        if (p.type == type)
            texts.push_back(p.text);
    return texts;
}

std::vector<wxString> EventCollector::Statuses() const
{
    return Texts(EVT_JOB_STATUS);
}

int EventCollector::Count(wxEventType type) const
{
    return static_cast<int>(Texts(type).size());
}

bool RunToEnd(std::unique_ptr<wxThread> job, EventCollector& events, int timeoutMs)
{
    if (job->Create() != wxTHREAD_NO_ERROR || job->Run() != wxTHREAD_NO_ERROR)
        return false;
    const bool ended = events.WaitForExit(timeoutMs);
    StopThread(*job);  // joins a job that ended, stops one that did not
    return ended;
}

#ifdef _WIN32
// The tools (qpdf and the like) are the build machine's: the relay runs
// them there, their output kept in a file beside the test's own.
std::string Shell(const std::string& command, int* status)
{
    const std::string name = "fh-shell-" + std::to_string(std::random_device()()) + ".txt";
    const std::string log = (std::filesystem::temp_directory_path() / name).string();
    const int rc = HostRelay::Run(command + " >'" + log + "' 2>&1");
    if (status)
        *status = rc;
    std::string output = FileExists(log) ? ReadFile(log) : std::string();
    std::remove(log.c_str());
    return output;
}
#else
std::string Shell(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    int rc = pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}
#endif

int QpdfPages(const std::string& pdf)
{
    int status = -1;
    std::string out = Shell("qpdf --show-npages '" + pdf + "'", &status);
    return status == 0 ? std::atoi(out.c_str()) : -1;
}

bool QpdfCheck(const std::string& pdf)
{
    int status = -1;
    Shell("qpdf --check '" + pdf + "'", &status);
    return status == 0;
}

PdfContent ReadPdf(const std::string& pdf, const std::string& scratch)
{
    PdfContent content;
    std::filesystem::create_directories(scratch);
    const std::string json = Shell("qpdf --json --json-key=pages --json-key=outlines --json-key=qpdf "
                                   "--decode-level=none --json-stream-data=file --json-stream-prefix='" +
                                   scratch + "/s' '" + pdf + "'");
    const nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded()) {
        ADD_FAILURE() << "qpdf gave no JSON for " << pdf << ": " << json.substr(0, 200);
        return content;
    }
    // at() throws on a missing key, which fails the test.
    const nlohmann::json& objects = doc.at("qpdf").at(1);
    for (const auto& page : doc.at("pages")) {
        const auto& pageObject = objects.at("obj:" + page.at("object").get<std::string>()).at("value");
        content.boxes.push_back(pageObject.at("/MediaBox").get<std::vector<double>>());
        const auto& image = objects.at("obj:" + page.at("images").at(0).at("object").get<std::string>());
        content.images.push_back(ReadFile(image.at("stream").at("datafile").get<std::string>()));
    }
    for (const auto& entry : doc.at("outlines"))
        content.outline.emplace_back(entry.at("title").get<std::string>(),
                                     entry.at("destpageposfrom1").get<int>());
    return content;
}
