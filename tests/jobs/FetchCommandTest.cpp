#include "SimFixture.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Lines = std::vector<std::string>;

// folioharvester-cli as a child process whose output is read line by line
// with a deadline.
class CliRun
{
public:
    explicit CliRun(const std::vector<std::string>& args)
    {
        std::vector<std::string> all{FH_BINARY_DIR "/folioharvester-cli"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        outFd = out[0];
        errFd = err[0];
    }
    ~CliRun()
    {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(outFd);
        close(errFd);
    }

    // Reads output until `done` holds for the lines so far, or the end of
    // output, or the deadline.
    bool ReadUntil(const std::function<bool(const Lines&)>& done, int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done(lines)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()).count();
            pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
            if (left <= 0 || poll(fds, 2, static_cast<int>(left)) <= 0)
                return false;
            char buffer[4096];
            if (fds[1].revents) {
                ssize_t n = read(errFd, buffer, sizeof buffer);
                if (n > 0)
                    errors.append(buffer, n);
            }
            if (fds[0].revents) {
                ssize_t n = read(outFd, buffer, sizeof buffer);
                if (n <= 0)
                    return done(lines);
                partial.append(buffer, n);
                for (size_t at; (at = partial.find('\n')) != std::string::npos;) {
                    lines.push_back(partial.substr(0, at));
                    partial.erase(0, at + 1);
                }
            }
        }
        return true;
    }

    // Reads to the end of output and reaps the child; -1 on timeout.
    int Finish(int timeoutMs)
    {
        ReadUntil([](const Lines&) { return false; }, timeoutMs);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            usleep(10000);
        }
        exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void Signal(int signal) const { kill(pid, signal); }
    const Lines& Output() const { return lines; }
    const std::string& Errors() const { return errors; }

private:
    pid_t pid = -1;
    bool exited = false;
    int outFd = -1;
    int errFd = -1;
    std::string partial;
    std::string errors;
    Lines lines;
};

// The lines of each row, in the order printed.
std::map<int, Lines> ByRow(const Lines& lines)
{
    std::map<int, Lines> rows;
    for (const std::string& line : lines) {
        size_t tab = line.find('\t');
        EXPECT_NE(tab, std::string::npos) << line;
        if (tab != std::string::npos)
            rows[std::stoi(line.substr(0, tab))].push_back(line.substr(tab + 1));
    }
    return rows;
}

size_t IndexOf(const Lines& lines, const std::string& line)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line)
            return i;
    return lines.size();
}

std::vector<std::string> PdfsIn(const std::string& dir)
{
    std::vector<std::string> pdfs;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".pdf")
            pdfs.push_back(entry.path().filename().string());
    return pdfs;
}

class FetchCommand : public SimFixture
{
};

TEST_F(FetchCommand, FetchesEveryDocumentAndPrintsEachStatusOfItsRow)
{
    CliRun cli({"fetch", "-j", "2", "5,123,456", "EP1000000", "D365123"});
    ASSERT_EQ(cli.Finish(60000), 0) << cli.Errors();
    std::map<int, Lines> rows = ByRow(cli.Output());
    EXPECT_EQ(rows[0], (Lines{"Downloading", "Downloading", "Downloading page 1 of 3",
                              "Downloading page 2 of 3", "Downloading page 3 of 3", "Finished!"}));
    EXPECT_EQ(rows[1], (Lines{"Downloading", "Downloading from worldwide.espacenet.com",
                              "Downloading page 1 of 2", "Downloading page 2 of 2", "Finished!"}));
    EXPECT_EQ(rows[2].back(), "Finished!");
    EXPECT_EQ(QpdfPages(InCwd("5123456.pdf")), 3);
    EXPECT_EQ(QpdfPages(InCwd("EP1000000.pdf")), 2);
    EXPECT_EQ(QpdfPages(InCwd("D365123.pdf")), 2);
    // At most two at once: the third starts only after one of the first ended.
    const Lines& all = cli.Output();
    size_t thirdStarts = IndexOf(all, "2\tDownloading");
    EXPECT_GT(thirdStarts, std::min(IndexOf(all, "0\tFinished!"), IndexOf(all, "1\tFinished!")));

    CliRun again({"fetch", "5123456"});
    EXPECT_EQ(again.Finish(20000), 0);
    EXPECT_EQ(again.Output().back(), "0\tPreviously Downloaded!");
}

TEST_F(FetchCommand, AnInvalidEntryOrAFailedJobGivesExitCodeOne)
{
    CliRun cli({"fetch", "ABC", "7000000"});
    EXPECT_EQ(cli.Finish(30000), 1);
    EXPECT_NE(cli.Errors().find("\"ABC\" -- Unknown Format"), std::string::npos) << cli.Errors();
    std::map<int, Lines> rows = ByRow(cli.Output());
    EXPECT_EQ(rows.count(0), 0u);
    EXPECT_EQ(rows[1].back(), "Not Found");
}

TEST_F(FetchCommand, StoredMaxThreadsLetsOneJobRunAtATime)
{
    const std::string settings = ReadFile(home.SettingsFile());
    WriteFile(home.SettingsFile(), "max_threads=1\n" + settings);
    CliRun cli({"fetch", "D365123", "EP1000000"});
    ASSERT_EQ(cli.Finish(60000), 0) << cli.Errors();
    const Lines& all = cli.Output();
    EXPECT_GT(IndexOf(all, "1\tDownloading"), IndexOf(all, "0\tFinished!"));
    EXPECT_EQ(ReadFile(home.SettingsFile()), "max_threads=1\n" + settings);  // never written
}

TEST_F(FetchCommand, TermSignalStopsRunningJobsPromptlyAndLeavesNoPartialFile)
{
    sim->Faults(R"([{"path": "PageNum=2", "action": "hang"},
                    {"service": "ops", "path": "Range=2", "action": "hang"}])");
    CliRun cli({"fetch", "5123456", "EP1000000", "D365123", "-j", "2"});
    ASSERT_TRUE(cli.ReadUntil(
        [](const Lines& lines) {
            return IndexOf(lines, "0\tDownloading page 2 of 3") < lines.size()
                   && IndexOf(lines, "1\tDownloading page 2 of 2") < lines.size();
        },
        20000));
    const auto start = std::chrono::steady_clock::now();
    cli.Signal(SIGTERM);
    EXPECT_EQ(cli.Finish(5000), 1);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
    EXPECT_TRUE(PdfsIn(home.Path()).empty());
    EXPECT_EQ(IndexOf(cli.Output(), "2\tDownloading"), cli.Output().size());
}

}  // namespace
