#pragma once

#include <wx/string.h>

#include <atomic>
#include <mutex>
#include <optional>

// What every publication-server job of one run shares. The server's fair use
// allows one request at a time per address, and once it has blocked the
// address no further request may go out until the program starts anew. The
// window or the command-line run owns one and hands it to each job; every
// member is safe to use from any job thread.
class EpsContext
{
public:
    // The weekly quota as the last answer that told said; nullopt before any did.
    struct Quota
    {
        std::optional<unsigned long long> used;       // x-quotaperweek-used
        std::optional<unsigned long long> remaining;  // x-quotaperweek-remaining
    };

    EpsContext() = default;
    EpsContext(const EpsContext&) = delete;
    EpsContext& operator=(const EpsContext&) = delete;

    // Held for the whole of each request.
    std::timed_mutex& Turn() { return turn; }

    void Block() { blocked = true; }
    bool Blocked() const { return blocked; }

    // Reads an answer's quota headers; a missing or unreadable one keeps
    // the figure known before.
    void ObserveQuota(const wxString& used, const wxString& remaining);
    Quota WeeklyQuota() const;

private:
    std::timed_mutex turn;
    std::atomic<bool> blocked{false};
    mutable std::mutex mutex;
    Quota quota;
};
