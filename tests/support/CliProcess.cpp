#include "CliProcess.h"

#include <algorithm>
#include <filesystem>

int CliProcess::MillisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool CliProcess::ReadUntil(const std::function<bool(const Lines&)>& done, int timeoutMs)
{
    if (pid <= 0)
        return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done(lines)) {
        const int left = MillisecondsUntil(deadline);
        if (left == 0 || !ReadSome(left))
            return done(lines);
    }
    return true;
}

std::map<int, Lines> StatusesByRow(const Lines& output)
{
    std::map<int, Lines> rows;
    for (const std::string& line : output) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0)
            continue;
        rows[std::stoi(line.substr(0, tab))].push_back(line.substr(tab + 1));
    }
    return rows;
}

bool Printed(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.is_regular_file())
            names.push_back(entry.path().filename().string());
    return names;
}
