#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>
#ifdef _WIN32
#include <cstdint>
// Windows has no file-size limit: the tests that set one run on Linux only.
using rlim_t = std::uint64_t;
constexpr rlim_t RLIM_INFINITY = ~rlim_t(0);
#else
#include <sys/resource.h>
#endif

using Lines = std::vector<std::string>;

// build/folioharvester-cli as a child process started in a given folder (or
// the current one), optionally with a limit on the size of the files it
// writes (RLIMIT_FSIZE) or a terminal (100 x 30) as its standard output,
// its output read line by line (as sent, "\r" and escapes kept) with a deadline,
// reaped with its resource usage so its peak memory can be reported.
class CliProcess
{
public:
    explicit CliProcess(const std::vector<std::string>& args, const std::string& workDir = "",
                        rlim_t fileSizeLimit = RLIM_INFINITY, bool terminal = false);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool Started() const { return pid > 0; }

    // Reads output until `done` holds for the lines so far, the output
    // ends, or the deadline passes; whether `done` holds.
    bool ReadUntil(const std::function<bool(const Lines&)>& done, int timeoutMs);

    // Reads to the end of output and reaps the child: its exit code, or -1
    // when it did not end in time or ended by a signal.
    int Finish(int timeoutMs);

    void Signal(int signal) const;
    // Closes our end of the child's standard output, as a pager that quits
    // does; only its error output is read from then on.
    void CloseOutput();
    const Lines& Output() const { return lines; }
    const std::string& Errors() const { return errors; }
    // The child's peak resident set in KiB, known once it was reaped.
    long PeakRssKib() const { return peakRssKib; }

private:
    using Clock = std::chrono::steady_clock;
    static int MillisecondsUntil(Clock::time_point deadline);
    bool ReadSome(int timeoutMs);

    pid_t pid = -1;
#ifdef _WIN32
    void* process = nullptr;  // its handle
#endif
    bool reaped = false;
    int outFd = -1;
    int errFd = -1;
    std::string partial;
    std::string errors;
    Lines lines;
    long peakRssKib = 0;
};

// The statuses each row printed, in order.
std::map<int, Lines> StatusesByRow(const Lines& output);

// Whether `line` is one of `lines`.
bool Printed(const Lines& lines, const std::string& line);

// Names of the regular files in `dir`.
std::vector<std::string> FilesIn(const std::string& dir);
